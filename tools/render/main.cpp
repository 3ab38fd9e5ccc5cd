// quelm_render: draws every step of a TripleA game as pictures without a display, exactly
// as the viewer exports them, or prints what Quelm reads from a game's files.

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

#include "historyrenderer.h"
#include "platform/guistarter.h"
#include "platform/imagememory.h"
#include "renderoptions.h"

int main(int argc, char** argv) {
    KeepImageMemoryForReuse();  // before any thread allocates
    GuiStarter gui;  // fonts for the captions; offscreen when there is no display
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const ParsedOptions parsed = ParseRenderOptions(arguments);
    if (parsed.helpShown) return kExitSuccess;
    if (!parsed.options) {
        std::fprintf(stderr, "quelm_render: %s\nTry 'quelm_render --help'.\n",
                     qPrintable(parsed.error));
        return kExitUsage;
    }
    return HistoryRenderer(*parsed.options).Run();
}
