#pragma once

#include <QString>

namespace tolvex::converter {

// The title and album of an MP3 file, read from its tags (ID3v2, ID3v1 or APE) with TagLib. Text
// that an ID3 tag marks as Latin-1, and all ID3v1 text, is read as Windows-1251: Windows writes
// its ANSI code page there.
class TMP3In
{
public:
    // `hostPath` is where the file lies on this system. False when TagLib finds no MPEG audio in
    // it, with "File has no audio" as errorString().
    bool open(const QString &hostPath);

    QString Title; // empty when the tag has none
    QString Album;

    QString errorString() const { return m_error; }

private:
    QString m_error;
};

} // namespace tolvex::converter
