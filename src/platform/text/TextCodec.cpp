#include "TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace tolvex::text {

namespace {
constexpr char utf8Bom[] = "\xEF\xBB\xBF";
}

bool fitsWindows1251(const QString &text)
{
    QStringEncoder encoder("windows-1251");
    const QByteArray bytes = encoder.encode(text);
    return !encoder.hasError();
}

QByteArray toWindows1251(const QString &text)
{
    QStringEncoder encoder("windows-1251");
    QByteArray bytes = encoder.encode(text);
    // ICU marks what it cannot encode with SUB (0x1A); Windows writes '?'.
    if (encoder.hasError())
        bytes.replace('\x1a', '?');
    return bytes;
}

QString fromWindows1251(const QByteArray &bytes)
{
    QStringDecoder decoder("windows-1251");
    return decoder.decode(bytes);
}

QByteArray encodeAnsiFile(const QString &text)
{
    QStringEncoder encoder("windows-1251");
    const QByteArray bytes = encoder.encode(text);
    // A text starting "п»ї" would read back as a byte-order mark: such a text goes as UTF-8.
    if (!encoder.hasError() && !bytes.startsWith(utf8Bom))
        return bytes;
    return QByteArray(utf8Bom) + text.toUtf8();
}

QString decodeAnsiFile(const QByteArray &bytes)
{
    if (bytes.startsWith(utf8Bom)) {
        // Only our own mark is dropped: a second one is part of the text.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return decoder.decode(bytes.mid(3));
    }
    return fromWindows1251(bytes);
}

} // namespace tolvex::text
