#pragma once

#include <QString>

#include <string>
#include <vector>

// What the viewer says and does about where the user is in a game: the status line under
// the map, the jumps of Page Up and Page Down, and the name an exported picture suggests.

// The round a frame's caption begins with ("Round 4 - Germans Combat Move" gives 4), or 0
// when it names none.
int RoundOfCaption(const std::string& caption);

// The status line for frame (counted from 0) of count: "Round 4 - Germans - step 100 of
// 285", leaving out the round or the player where they are not known.
QString StepStatusText(const std::string& caption, const std::string& player, int frame, int count);

// The frame one round back (direction < 0) or forward from current: the same step of that
// round where it has one, else its first step; the first or the last frame when there is no
// such round; current when the captions name no rounds.
int FrameOneRoundAway(const std::vector<std::string>& captions, int current, int direction);

// The file name an exported picture of frame suggests: the game definition's name and the
// step, for example "ww2v2-step-100.jpg".
QString SuggestedExportName(const std::string& gameFile, int frame);
