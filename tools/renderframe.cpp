// Draws one frame of a game on its map into an image file, without a window: the whole
// frame at the map's own size, or, with --view, what the viewer would show.
//   quelm_render_frame --map DIR --images DIR --game XML [--history TXT] [--frame N]
//                      [--labels] [--quantities] [--small-flags] [--view WxH --zoom Z
//                      --offset X --offset-y Y] OUTPUT.png
#include <cstdio>
#include <string>

#include <QCommandLineParser>
#include <QImage>
#include <QStringList>

#include "base/ref.h"
#include "platform/guistarter.h"
#include "render/loadingdialoghost.h"
#include "render/maprenderer.h"
#include "render/maprendererimpl.h"

namespace {

int Fail(const QString& message) {
    std::fprintf(stderr, "quelm_render_frame: %s\n", qPrintable(message));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    GuiStarter gui(true);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOptions({
        {"map", "TripleA map folder.", "dir"},
        {"images", "TripleA image folder (flags, units).", "dir"},
        {"game", "TripleA game definition.", "xml"},
        {"history", "Converter text of a saved game.", "txt"},
        {"frame", "Frame to draw (default: the last).", "n", "-1"},
        {"labels", "Draw territory labels."},
        {"quantities", "Draw unit quantities."},
        {"small-flags", "Use the small flag images."},
        {"view", "Paint a view of this size instead of the whole frame.", "WxH"},
        {"zoom", "Zoom of the view.", "z", "0.34"},
        {"offset", "Horizontal offset of the view.", "x", "-1"},
        {"offset-y", "Vertical offset of the view.", "y", "0"},
    });
    parser.addPositionalArgument("output", "Image file to write.");
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    parser.process(arguments);
    if (parser.positionalArguments().size() != 1) return Fail("one output file expected");
    const QString output = parser.positionalArguments().front();

    Ref<MapRenderer> renderer;
    if (CreateMapRenderer(renderer.Receive()) < 0) return Fail("cannot create a renderer");
    Ref<GameLoader> loader;
    renderer->GetGameLoader(loader.Receive());
    loader->SetGameFile(parser.value("game").toStdString());
    if (parser.isSet("history")) loader->SetConverterOutput(parser.value("history").toStdString());
    renderer->SetImagesFolder(parser.value("images").toStdString());
    renderer->SetMapFolder(parser.value("map").toStdString());
    renderer->SetLargeFlags(!parser.isSet("small-flags"));
    renderer->SetTerritoryLabels(parser.isSet("labels"));
    renderer->SetUnitQuantities(parser.isSet("quantities"));
    renderer->SetUnitColour(255, 200, 0);

    auto& impl = *static_cast<MapRendererImpl*>(renderer.Get());
    const std::int32_t frames = loader->GetFrameCount(nullptr);
    const std::int32_t frame = parser.value("frame").toInt();
    impl.currentFrame = frame >= 0 && frame < frames ? frame : frames - 1;

    QImage image;
    if (parser.isSet("view")) {
        const QStringList size = parser.value("view").split('x');
        if (size.size() != 2) return Fail("--view wants WxH");
        renderer->SetWidth(size[0].toInt());
        renderer->SetHeight(size[1].toInt());
        renderer->SetZoom(parser.value("zoom").toDouble());
        renderer->SetOffsetX(parser.value("offset").toInt());
        renderer->SetOffsetY(parser.value("offset-y").toInt());
        if (!renderer->Paint(nullptr, &image)) std::fprintf(stderr, "invalid configuration\n");
    } else {
        impl.SizeFrameCache();
        impl.PrepareFrame();
        if (!impl.ready) return Fail("the frame could not be drawn");
        image = impl.frameCache[static_cast<std::size_t>(impl.currentFrame)];
    }
    if (image.isNull() || !image.save(output)) return Fail("cannot write " + output);
    std::printf("frame %d of %d written to %s\n", impl.currentFrame, frames, qPrintable(output));
    return 0;
}
