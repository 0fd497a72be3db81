#include "TMP3In.h"

#include "text/TextCodec.h"

#include <QFile>

#include <id3v1tag.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <tag.h>

namespace tolvex::converter {

namespace {

QString toQString(const TagLib::String &text)
{
    return QString::fromStdWString(text.toWString());
}

// What the tag calls Latin-1 is, on the systems the program serves, the ANSI code page.
TagLib::String fromAnsi(const TagLib::ByteVector &data)
{
    QByteArray bytes(data.data(), qsizetype(data.size()));
    // An ID3v1 field is padded with zeros; a name ends at the first.
    if (const qsizetype end = bytes.indexOf('\0'); end >= 0) bytes.truncate(end);
    return TagLib::String(text::fromWindows1251(bytes).toStdWString());
}

class AnsiId3v1Text final : public TagLib::ID3v1::StringHandler
{
public:
    TagLib::String parse(const TagLib::ByteVector &data) const override
    {
        return fromAnsi(data).stripWhiteSpace();
    }
};

class AnsiId3v2Text final : public TagLib::ID3v2::Latin1StringHandler
{
public:
    TagLib::String parse(const TagLib::ByteVector &data) const override { return fromAnsi(data); }
};

// TagLib's handlers are process-wide; they are put in place once, before the first tag is read.
void readAnsiTagsAsWindows1251()
{
    static const bool installed = [] {
        static const AnsiId3v1Text id3v1;
        static const AnsiId3v2Text id3v2;
        TagLib::ID3v1::Tag::setStringHandler(&id3v1);
        TagLib::ID3v2::Tag::setLatin1StringHandler(&id3v2);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

bool TMP3In::open(const QString &hostPath)
{
    readAnsiTagsAsWindows1251();
    Title.clear();
    Album.clear();
    m_error.clear();
    // The type is given, not guessed from the name: only MP3 files are converted.
    TagLib::MPEG::File file(QFile::encodeName(hostPath).constData(), true, TagLib::AudioProperties::Fast);
    // TagLib opens any file as MPEG; one without a frame has no sample rate.
    const TagLib::AudioProperties *audio = file.isValid() ? file.audioProperties() : nullptr;
    if (!audio || audio->sampleRate() <= 0 || audio->channels() <= 0) {
        m_error = QStringLiteral("File has no audio");
        return false;
    }
    if (const TagLib::Tag *tag = file.tag()) {
        Title = toQString(tag->title());
        Album = toQString(tag->album());
    }
    return true;
}

} // namespace tolvex::converter
