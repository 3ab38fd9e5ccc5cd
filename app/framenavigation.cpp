#include "app/framenavigation.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace {

const QRegularExpression& RoundPrefix() {
    static const QRegularExpression prefix(QStringLiteral("^Round (\\d{1,9})(?: - )?"));
    return prefix;
}

// The caption without its round: the step's own title, the same in every round.
QString StepTitle(const std::string& caption) {
    QString text = QString::fromStdString(caption);
    return text.remove(RoundPrefix());
}

}  // namespace

int RoundOfCaption(const std::string& caption) {
    const QRegularExpressionMatch match = RoundPrefix().match(QString::fromStdString(caption));
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

QString StepStatusText(const std::string& caption, const std::string& player, int frame,
                       int count) {
    if (count <= 0) return QStringLiteral("No steps to show");
    QStringList parts;
    const int round = RoundOfCaption(caption);
    if (round > 0) parts << QStringLiteral("Round %1").arg(round);
    if (!player.empty()) parts << QString::fromStdString(player);
    parts << QStringLiteral("step %1 of %2").arg(frame + 1).arg(count);
    return parts.join(QStringLiteral(" - "));
}

int FrameOneRoundAway(const std::vector<std::string>& captions, int current, int direction) {
    const int count = static_cast<int>(captions.size());
    if (current < 0 || current >= count) return current;
    const int round = RoundOfCaption(captions[static_cast<std::size_t>(current)]);
    if (round == 0) return current;
    const int target = round + (direction < 0 ? -1 : 1);
    const QString title = StepTitle(captions[static_cast<std::size_t>(current)]);
    int first = -1;
    for (int frame = 0; frame < count; ++frame) {
        const std::string& caption = captions[static_cast<std::size_t>(frame)];
        if (RoundOfCaption(caption) != target) continue;
        if (first < 0) first = frame;
        if (StepTitle(caption) == title) return frame;
    }
    if (first >= 0) return first;
    return direction < 0 ? 0 : count - 1;
}

QString SuggestedExportName(const std::string& gameFile, int frame) {
    QString game = QFileInfo(QString::fromStdString(gameFile)).completeBaseName();
    if (game.isEmpty()) game = QStringLiteral("quelm");
    return QStringLiteral("%1-step-%2.jpg").arg(game).arg(frame + 1);
}
