// Placeholder translation unit; command sources join this target.
