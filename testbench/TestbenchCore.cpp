// Placeholder translation unit; sequencer sources join this target.
