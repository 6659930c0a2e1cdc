// Nothing of its own: the target that compiles the Qt Test programs' shared precompiled headers.
