// Placeholder translation unit for a library directory that has no sources yet.
