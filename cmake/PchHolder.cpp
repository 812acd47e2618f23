// The one source of a library that only holds precompiled headers for others to reuse.
