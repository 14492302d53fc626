// Placeholder translation unit; serial port sources join this target.
