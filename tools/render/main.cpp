// quelm_render: draws every step of a TripleA game as pictures without a display, exactly
// as the viewer exports them, or prints what Quelm reads from a game's files.

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

#include "base/pathutil.h"
#include "historyrenderer.h"
#include "platform/guistarter.h"
#include "platform/imagememory.h"
#include "renderoptions.h"

int main(int argc, char** argv) {
    KeepImageMemoryForReuse();  // before any thread allocates
    GuiStarter gui(true, "quelm_render");  // fonts for the captions; offscreen without a display
    QStringList arguments;
    // Paths keep their bytes whatever their encoding (see PathText).
    for (int i = 0; i < argc; ++i) arguments << PathText(argv[i]);
    const ParsedOptions parsed = ParseRenderOptions(arguments);
    if (parsed.helpShown) return kExitSuccess;
    if (!parsed.options) {
        std::fprintf(stderr, "quelm_render: %s\nTry 'quelm_render --help'.\n",
                     qPrintable(parsed.error));
        return kExitUsage;
    }
    return HistoryRenderer(*parsed.options).Run();
}
