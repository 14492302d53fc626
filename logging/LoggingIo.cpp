// Placeholder translation unit; the log file joins this target.
