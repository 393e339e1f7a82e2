// The sanitizers' settings for the -DNVK_SANITIZE=ON build, linked into every
// program of that build so that a test, the tool and the practice site run
// with the same settings whether they are started by ctest, by a test, or by
// hand. An ASAN_OPTIONS, UBSAN_OPTIONS or LSAN_OPTIONS variable in the
// environment still comes on top of what is here.

extern "C" {

__attribute__((visibility("default"), used)) const char *__asan_default_options()
{
    return
        // Qt WebEngine's own library frees some of a page's objects through a
        // base type whose size differs from the allocated type's when the page
        // is destroyed. That is inside the engine, out of our reach, and fires
        // in every test that closes a page; the check is off, every other
        // check of ASan stays on.
        "new_delete_type_mismatch=0:"
        // Leaks are looked for at exit (see the suppressions below).
        "detect_leaks=1:"
        // The engine's renderer is a child process started from a system
        // binary without ASan; it must not inherit a preload.
        "verify_asan_link_order=0:"
        // A report ends the program with a failure that ctest sees.
        "halt_on_error=1:abort_on_error=0:exitcode=23";
}

__attribute__((visibility("default"), used)) const char *__ubsan_default_options()
{
    // Undefined behaviour fails the test that meets it, with the stack that
    // led there.
    return "halt_on_error=1:print_stacktrace=1";
}

__attribute__((visibility("default"), used)) const char *__lsan_default_options()
{
    return "exitcode=23";
}

// Leaks whose allocation stack passes through these libraries are theirs:
// caches and singletons that Qt WebEngine (its Chromium), fontconfig and
// D-Bus keep until exit and never free. These three are the ones the suite
// meets; a leak with only our code and other libraries on its stack is
// still reported.
__attribute__((visibility("default"), used)) const char *__lsan_default_suppressions()
{
    return "leak:libQt6WebEngineCore.so\n"
           "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n";
}

// A library unloaded before the program exits leaves the leak checker with
// stacks it cannot name, and a suppression by name cannot match them: in this
// build no library is unloaded (the loaders' dlclose calls come here).
__attribute__((visibility("default"))) int dlclose(void *)
{
    return 0;
}

} // extern "C"
