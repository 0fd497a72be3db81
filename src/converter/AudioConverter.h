#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

namespace tolvex::platform {
class ShellServices;
}

namespace tolvex::cleaning {
class TmFileScan;
}

namespace tolvex::converter {

class TMP3ToWav;

// One file of the list.
struct ConverterRow
{
    QString Title;
    QString Album;
    QString Format;   // the extension with its dot, as the name spells it
    QString FileName; // without its folder
    QString FilePath; // Windows path
    bool Ticked = false;
};

// The converter page's logic: the list of MP3 files, and the convert press that decodes the
// ticked ones one after another into WAV files in OutputFolder. Knows no widget; the page shows
// its signals, and tolvex-cli drives it the same way.
class AudioConverter final : public QObject
{
    Q_OBJECT

public:
    static constexpr int maximumRows = 100001;

    explicit AudioConverter(platform::ShellServices &shell, QObject *parent = nullptr);
    ~AudioConverter() override;

    const QList<ConverterRow> &rows() const { return m_rows; }

    // Appends an unticked row with the file's title and album. False, with the reason, when they
    // cannot be read (no row is kept then) or the list is full.
    bool AddFile(const QString &path, QString *error = nullptr);
    // Adds every MP3 file below `folder` as the search finds them; listing ends at the first
    // file whose tags cannot be read. Returns at once; folderAdded follows. One at a time.
    void AddFolder(const QString &folder);
    bool addingFolder() const { return !m_scan.isNull(); }
    // Not while a convert press works through the rows.
    bool RemoveRow(int index);
    bool Clear();
    void SetTicked(int index, bool ticked);

    QString OutputFolder;
    // What the format boxes read; a file is converted only from "Mp3" to "WAV".
    QString SourceFormat = QStringLiteral("Mp3");
    QString TargetFormat = QStringLiteral("WAV");
    bool ConversionBusy = false;

    // The convert press: starts the ticked rows one after another, each once the previous one
    // has ended, running events meanwhile. Returns when the last ticked row has been started.
    void Convert();
    // Starts the row's file; false when it was not started (ConversionBusy is then clear).
    bool Con(int index);
    // The file being converted ends after its current frame.
    void Stop();
    // The window is going away: the press starts no further row and the current file stops.
    void Abandon();
    bool pressRunning() const { return m_pressRunning; }
    TMP3ToWav *converter() const { return m_converter; }

    // Where a file is written: the output folder, and the name less its last four characters.
    QString outputFileFor(const QString &filePath) const;
    // `name` inside `folder`, joined as the folder is written: a host path ("/...") with '/', a
    // Windows path with '\'.
    static QString inFolder(const QString &folder, const QString &name);
    // The program folder's "Converts", where the main window points the page at start: a Windows
    // path where a drive of the machine reaches it, else its host path.
    static QString defaultOutputFolder(platform::ShellServices &shell);
    // The name after the last '\', ':' or '/'.
    static QString fileNameOf(const QString &path);

signals:
    void rowAdded(int index);
    void rowRemoved(int index);
    void cleared();
    void folderAdded();
    void stateChanged(const QString &text);
    void progressChanged(int percent);
    void pressRunningChanged(bool running);
    void fileDone(const QString &input, const QString &output, bool success, quint64 sampleFrames,
                  const QString &error);
    void fileNotStarted(const QString &input, const QString &output, const QString &reason);

private:
    void MP3ToWav1Progress(TMP3ToWav *sender);
    void MP3ToWav1Done(TMP3ToWav *sender, bool success);
    void releaseConverter();

    platform::ShellServices &m_shell;
    QList<ConverterRow> m_rows;
    QPointer<cleaning::TmFileScan> m_scan;
    bool m_listingFailed = false;
    TMP3ToWav *m_converter = nullptr;
    bool m_pressRunning = false;
    bool m_abandoned = false;
};

} // namespace tolvex::converter
