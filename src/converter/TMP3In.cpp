#include "TMP3In.h"

#include <QFile>

#include <mpegfile.h>
#include <tag.h>

namespace tolvex::converter {

namespace {

QString toQString(const TagLib::String &text)
{
    return QString::fromStdWString(text.toWString());
}

} // namespace

bool TMP3In::open(const QString &hostPath)
{
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
