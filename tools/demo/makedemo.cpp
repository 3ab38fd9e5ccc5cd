// Writes the demo world that Quelm shows on a fresh machine: a TripleA-style map folder,
// an image folder, a game definition, a converter text telling a short war, and settings
// files pointing at them. Everything is drawn and written by this program.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <QSettings>
#include <QTextStream>

#include <cstdio>

#include "demopictures.h"
#include "demoworld.h"
#include "gifwriter.h"

namespace {

using namespace demo;

const QString kMapName = "quelm_demo";

class DemoWriter {
public:
    explicit DemoWriter(const QString& root) : root(QDir(root).absolutePath()) {}

    bool Write() {
        const std::vector<Region> regions = MakeRegions();
        const std::vector<Step> history = MakeHistory();
        return WriteMapFolder(regions) && WriteImages() && WriteGame(regions, history) &&
               WriteHistory(regions, history) && WriteSettings();
    }

    QString error;

private:
    QString MapFolder() const { return root + "/maps/" + kMapName; }
    QString GameFile() const { return root + "/games/" + kMapName + ".xml"; }

    bool MakeFolder(const QString& folder) {
        if (QDir().mkpath(folder)) return true;
        error = "cannot create the folder " + folder;
        return false;
    }

    bool WriteText(const QString& path, const QString& text) {
        if (!MakeFolder(QFileInfo(path).absolutePath())) return false;
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit()) {
            return true;
        }
        error = "cannot write " + path;
        return false;
    }

    bool WriteImage(const QImage& image, const QString& path) {
        if (!MakeFolder(QFileInfo(path).absolutePath())) return false;
        const bool written =
            path.endsWith(".gif") ? WriteGif(image, path) : image.save(path, "PNG");
        if (!written) error = "cannot write " + path;
        return written;
    }

    static QString Hex(QRgb colour) {
        return QString("%1").arg(colour & 0xFFFFFF, 6, 16, QChar('0')).toUpper();
    }

    static QString Point(const QPointF& p) {
        return QString("(%1,%2)").arg(qRound(p.x())).arg(qRound(p.y()));
    }

    bool WriteMapFolder(const std::vector<Region>& regions) {
        QString polygons, places, capitals;
        for (const Region& region : regions) {
            polygons += region.name + "  <  ";
            for (const QPointF& p : region.outline) polygons += Point(p) + " ";
            polygons += ">\n";
            places += region.name + "  ";
            for (const QPointF& p : Placements(region)) places += Point(p) + "  ";
            places += "\n";
        }
        for (const auto& [player, capital] : Capitals()) {
            for (const Region& region : regions) {
                if (region.name == capital)
                    capitals += capital + " " + Point(CapitalPoint(region)) + "\n";
            }
        }
        QString properties = "#Colours of the players of the Quelm demo\n";
        for (const Player& player : Players()) {
            properties += "color." + player.name + "=" + Hex(player.colour) + "\n";
        }
        properties += "color.Neutral=" + Hex(NeutralColour()) + "\n";
        properties += QString("map.hasRelief=true\nmap.width=%1\nmap.height=%2\n")
                          .arg(kMapWidth)
                          .arg(kMapHeight);
        if (!WriteText(MapFolder() + "/polygons.txt", polygons) ||
            !WriteText(MapFolder() + "/place.txt", places) ||
            !WriteText(MapFolder() + "/capitols.txt", capitals) ||
            !WriteText(MapFolder() + "/map.properties", properties)) {
            return false;
        }
        return WriteTiles(regions);
    }

    bool WriteTiles(const std::vector<Region>& regions) {
        const QImage base = DrawBaseMap(regions);
        const QImage relief = DrawReliefMap(base, regions);
        for (int y = 0; y < kRows; ++y) {
            for (int x = 0; x < kColumns; ++x) {
                const QRect cell(x * kTileSize, y * kTileSize, kTileSize, kTileSize);
                const QString name = QString("/%1_%2.png").arg(x).arg(y);
                if (!WriteImage(base.copy(cell), MapFolder() + "/baseTiles" + name)) return false;
                if (TileHasRelief(base, relief, x, y) &&
                    !WriteImage(relief.copy(cell), MapFolder() + "/reliefTiles" + name)) {
                    return false;
                }
            }
        }
        return true;
    }

    bool WriteImages() {
        std::vector<Player> owners = Players();
        owners.push_back({"Neutral", NeutralColour()});
        for (const Player& player : owners) {
            const QString flags = root + "/images/flags/" + player.name;
            if (!WriteImage(DrawFlag(player.name, 72, 48, true), flags + "_large.png") ||
                !WriteImage(DrawFlag(player.name, 32, 22, false), flags + ".gif")) {
                return false;
            }
            for (const QString& type : UnitTypes()) {
                const QString path = root + "/images/units/" + player.name + "/" + type + ".png";
                if (!WriteImage(DrawUnit(type, player.colour), path)) return false;
            }
        }
        return true;
    }

    bool WriteGame(const std::vector<Region>& regions, const std::vector<Step>& history) {
        QString xml;
        QTextStream out(&xml);
        out << "<?xml version=\"1.0\" ?>\n<game>\n  <info name=\"Quelm Demo\" version=\"1.0\"/>\n  "
               "<map>\n";
        for (const Region& region : regions)
            out << "    <territory name=\"" << region.name << "\"/>\n";
        out << "  </map>\n  <playerList>\n";
        for (const Player& player : Players())
            out << "    <player name=\"" << player.name << "\" optional=\"false\"/>\n";
        out << "  </playerList>\n  <unitList>\n";
        for (const QString& type : UnitTypes()) out << "    <unit name=\"" << type << "\"/>\n";
        out << "  </unitList>\n  <initialize>\n    <ownerInitialize>\n";
        const Board& start = history.front().board;
        for (const auto& [region, owner] : start.owners) {
            out << "      <territoryOwner territory=\"" << region << "\" owner=\"" << owner
                << "\"/>\n";
        }
        out << "    </ownerInitialize>\n    <unitInitialize>\n";
        for (const Region& region : regions) {
            const auto stacks = start.units.find(region.name);
            if (stacks == start.units.end()) continue;
            for (const Stack& stack : stacks->second) {
                out << "      <unitPlacement unitType=\"" << stack.type << "\" territory=\""
                    << region.name << "\" quantity=\"" << stack.quantity << "\"";
                if (stack.owner != "Neutral") out << " owner=\"" << stack.owner << "\"";
                out << "/>\n";
            }
        }
        out << "    </unitInitialize>\n  </initialize>\n  <attatchmentList>\n";
        for (const Region& region : regions) {
            if (region.sea) continue;
            out << "    <attatchment name=\"territoryAttatchment\" attatchTo=\"" << region.name
                << "\" javaClass=\"games.strategy.triplea.attatchments.TerritoryAttachment\" "
                   "type=\"territory\">\n"
                << "      <option name=\"production\" value=\"" << region.production << "\"/>\n"
                << "    </attatchment>\n";
        }
        out << "  </attatchmentList>\n</game>\n";
        out.flush();
        return WriteText(GameFile(), xml);
    }

    bool WriteHistory(const std::vector<Region>& regions, const std::vector<Step>& history) {
        QString text = "TrevoConvert\n";
        int index = 0;
        for (const Step& step : history) {
            text += "Caption:" + step.caption + "\n";
            text += QString("Step:%1\n").arg(index++);
            text += "Player:" + step.player + "\n";
            text += "Game:Quelm Demo\n-\n-\n";
            for (const Region& region : regions) {
                const auto owner = step.board.owners.find(region.name);
                text += region.name + "\nOwner:" +
                        (owner == step.board.owners.end() ? "Neutral" : owner->second) + "\n";
                const auto stacks = step.board.units.find(region.name);
                if (stacks != step.board.units.end()) {
                    for (const Stack& stack : stacks->second) {
                        for (int i = 0; i < stack.quantity; ++i)
                            text += stack.type + "\n" + stack.owner + "\n";
                    }
                }
                text += "End Territory\n";
            }
            text += "End Frame\n";
        }
        // Where the programs read the history, with XDG_DATA_HOME pointing at <root>/data.
        return WriteText(root + "/data/Ostrevan/Quelm/Trevo.txt", text);
    }

    // The user store names the demo's files, with XDG_CONFIG_HOME pointing at <root>/config.
    bool WriteSettings() {
        const QString userStore = root + "/config/Ostrevan/Quelm.conf";
        if (!MakeFolder(QFileInfo(userStore).absolutePath())) return false;
        // Written afresh: the store of an earlier run may hold values saved while trying it.
        QFile::remove(userStore);
        QSettings user(userStore, QSettings::IniFormat);
        user.setValue("game_config", GameFile());
        user.setValue("maps_directory", MapFolder());
        user.setValue("images_directory", root + "/images");
        user.setValue("zoom_factor", "50");
        user.setValue("unit_quantities", "1");
        user.setValue("previous_delay", "1");
        user.setValue("current_delay", "4");
        user.sync();
        if (user.status() == QSettings::NoError) return true;
        error = "cannot write the settings files under " + root;
        return false;
    }

    QString root;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quelm_make_demo OUTPUT_FOLDER\n");
        return 2;
    }
    DemoWriter writer(QString::fromLocal8Bit(argv[1]));
    if (!writer.Write()) {
        std::fprintf(stderr, "quelm_make_demo: %s\n", qPrintable(writer.error));
        return 1;
    }
    return 0;
}
