// A file for version resources to live in: nothing else.
