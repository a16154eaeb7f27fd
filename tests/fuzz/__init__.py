"""API fuzzing: hostile values, the table of targets, and the worker that
runs calls in forked children so a crash is caught and reported."""
