// Placeholder translation unit; framing sources join this target.
