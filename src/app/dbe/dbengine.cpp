// The database engine's library file as the program checks it: it carries the engine's version.
// The engine's code itself is linked into the program.

extern "C" __attribute__((used, visibility("default"))) const char dbe_version_info[] =
    "\x01KVERSIONINFO\x01"
    "StringFileInfo\\040904E4\\FileVersion=5.2.0.2\n"
    "\x01KVERSIONEND\x01";
