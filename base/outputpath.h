#pragma once

#include <QByteArray>
#include <QString>

#include <string>

// Files and child processes named by the file system's bytes (see PathText). Qt turns every
// name it hands to the file system or to a child process into UTF-8 (QFile::encodeName), so
// a byte that is not UTF-8 arrives there as U+FFFD: QFile and QSaveFile open another name,
// and a program started by QProcess receives another name. These helpers keep the bytes.

// Writes data to path through a new file beside it that replaces the file only when
// complete, so a failure never leaves a broken file under the name. On failure nothing is
// left behind and error, when given, says why ("Permission denied").
bool WriteFileReplacing(const std::string& path, const QByteArray& data,
                        std::string* error = nullptr);

// A name for path that a child process started by QProcess (and Qt's own file classes)
// can use: the path itself when it is UTF-8, otherwise a symbolic link with a plain name in
// a private temporary folder, removed with this object. The link stands for the folder when
// only the folder's name is not UTF-8, so that a program that writes its output beside the
// name it gets (and renames it into place) still writes into the real folder.
class PathStandIn {
public:
    explicit PathStandIn(const std::string& path);
    ~PathStandIn();
    PathStandIn(const PathStandIn&) = delete;
    PathStandIn& operator=(const PathStandIn&) = delete;

    // The name to hand over; the path's own text (PathText) when no link could be made.
    const QString& Text() const { return text; }
    // message with the stand-in's name replaced by the path's own text, for a message that
    // a child process wrote about the name it was given.
    QString Unmasked(QString message) const;

private:
    std::string linkFolder;  // the private folder holding the link, when one was made
    std::string link;
    QString targetText;  // what the link points at
    QString text;
};

// True when the path's bytes reach the file system unchanged through QFile::encodeName.
bool QtKeepsPath(const std::string& path);

// The folder for temporary files: TMPDIR when it is an absolute path to a folder that Qt can
// name, otherwise /tmp. Qt's own choice (QDir::tempPath) is empty for a TMPDIR that is not
// UTF-8 or does not exist, and a QTemporaryDir then tries to make its folder in "/".
std::string SystemTemporaryFolder();

// A path's text (PathText) for people: every byte that is not UTF-8 is shown as "\xE9",
// so a message names the file exactly instead of showing an unreadable character.
QString DisplayPath(const QString& pathText);

// The bytes of a path that Qt named, such as a file dialog's answer: Qt shows a name that
// is not UTF-8 with U+FFFD in place of its stray bytes, which names nothing. Each such name
// is replaced by the one entry of its folder that Qt shows the same way; names that do not
// exist (a new file's) and names shown the same way by several entries stay as they are.
std::string PathFromQtName(const QString& name);
