// What the sanitizers are told to leave alone in the image pane tests, built into the test
// programs so that every way of running them uses it. Only Qt's and fontconfig's insides: Qt is
// not instrumented, so the thread pool of its image drawing and its event queue (which
// synchronise through futexes) look like races, and fontconfig keeps its configuration for the
// life of the process.
extern "C" {

const char *__lsan_default_suppressions();
const char *__tsan_default_suppressions();

const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

const char *__tsan_default_suppressions()
{
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n";
}
}
