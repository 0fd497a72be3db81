#include "AudioConverter.h"

#include "TMP3In.h"
#include "TMP3ToWav.h"
#include "TmFileScan.h"
#include "events/PendingEvents.h"
#include "shell/ShellServices.h"

namespace tolvex::converter {

namespace {

const QString waiting = QStringLiteral("Ожидание");
const QString inProgress = QStringLiteral("В процессе...");
const QString finished = QStringLiteral("Готово");

} // namespace

AudioConverter::AudioConverter(platform::ShellServices &shell, QObject *parent)
    : QObject(parent), m_shell(shell)
{
}

AudioConverter::~AudioConverter()
{
    delete m_scan.data();
    delete m_converter;
}

QString AudioConverter::fileNameOf(const QString &path)
{
    qsizetype cut = -1;
    for (const QChar delimiter : {u'\\', u':', u'/'})
        cut = qMax(cut, path.lastIndexOf(delimiter));
    return path.mid(cut + 1);
}

QString AudioConverter::inFolder(const QString &folder, const QString &name)
{
    return folder + (folder.startsWith(u'/') ? u'/' : u'\\') + name;
}

QString AudioConverter::defaultOutputFolder(platform::ShellServices &shell)
{
    return inFolder(shell.programFolder(), QStringLiteral("Converts"));
}

QString AudioConverter::outputFileFor(const QString &filePath) const
{
    const QString name = fileNameOf(filePath);
    return inFolder(OutputFolder, name.chopped(qMin<qsizetype>(4, name.size())) + QStringLiteral(".WAV"));
}

bool AudioConverter::AddFile(const QString &path, QString *error)
{
    if (m_rows.size() >= maximumRows) {
        if (error) *error = QStringLiteral("the list holds %1 files at most").arg(maximumRows);
        return false;
    }
    TMP3In reader;
    if (!reader.open(m_shell.hostPath(path))) {
        if (error) *error = reader.errorString();
        return false;
    }
    ConverterRow row;
    row.Title = reader.Title;
    row.Album = reader.Album;
    row.FileName = fileNameOf(path);
    const qsizetype dot = row.FileName.lastIndexOf(u'.');
    row.Format = dot < 0 ? QString() : row.FileName.mid(dot);
    row.FilePath = path;
    m_rows.append(row);
    emit rowAdded(int(m_rows.size() - 1));
    return true;
}

void AudioConverter::AddFolder(const QString &folder)
{
    if (m_scan) return;
    auto *scan = new cleaning::TmFileScan(m_shell, this);
    scan->setObjectName(QStringLiteral("Ms1"));
    scan->SubDirs = true;
    scan->Filters.append(QStringLiteral("*.mp3"));
    scan->Paths.append(folder);
    m_listingFailed = false;
    // msFileFound: a folder whose name ends in .mp3 is no file to list.
    scan->OnFileFound = [this](QObject *, const QString &fileName) {
        if (!m_listingFailed && !m_shell.folderExists(fileName) && !AddFile(fileName)) m_listingFailed = true;
    };
    // msReady
    scan->OnReady = [this, scan](QObject *, bool, const QStringList &) {
        scan->Filters.clear();
        scan->Paths.clear();
        scan->deleteLater();
        m_scan = nullptr;
        emit folderAdded();
    };
    m_scan = scan;
    scan->Start();
}

bool AudioConverter::RemoveRow(int index)
{
    if (m_pressRunning || index < 0 || index >= m_rows.size()) return false;
    m_rows.removeAt(index);
    emit rowRemoved(index);
    return true;
}

bool AudioConverter::Clear()
{
    if (m_pressRunning) return false;
    m_rows.clear();
    emit cleared();
    return true;
}

void AudioConverter::SetTicked(int index, bool ticked)
{
    if (index >= 0 && index < m_rows.size()) m_rows[index].Ticked = ticked;
}

void AudioConverter::releaseConverter()
{
    if (!m_converter) return;
    // Its done notice is delivered before it goes, so that ConversionBusy is cleared.
    m_converter->StopAndWait();
    delete m_converter;
    m_converter = nullptr;
}

void AudioConverter::Convert()
{
    if (m_pressRunning) return;
    releaseConverter();
    m_converter = new TMP3ToWav(m_shell, this);
    connect(m_converter, &TMP3ToWav::OnProgress, this, &AudioConverter::MP3ToWav1Progress);
    connect(m_converter, &TMP3ToWav::OnDone, this, &AudioConverter::MP3ToWav1Done);
    m_pressRunning = true;
    m_abandoned = false;
    emit pressRunningChanged(true);
    for (int index = 0; index < m_rows.size() && !m_abandoned; ++index) {
        if (m_rows[index].Ticked) {
            platform::runEventsUntil([this] { return !ConversionBusy || m_abandoned; });
            if (m_abandoned) break;
            ConversionBusy = true;
            Con(index);
        }
        emit stateChanged(waiting);
    }
    m_pressRunning = false;
    emit pressRunningChanged(false);
}

bool AudioConverter::Con(int index)
{
    const ConverterRow &row = m_rows.at(index);
    const QString output = outputFileFor(row.FilePath);
    QString reason;
    if (!m_converter)
        reason = QStringLiteral("no convert press is running");
    else if (!row.Ticked)
        reason = QStringLiteral("the row is not ticked");
    else if (SourceFormat != u"Mp3" || TargetFormat != u"WAV")
        reason = QStringLiteral("only Mp3 to WAV is converted");
    if (reason.isEmpty()) {
        m_converter->InputFile = row.FilePath;
        m_converter->OutputFile = output;
        if (m_converter->Run()) return true;
        reason = m_converter->errorString();
    }
    // Whatever kept the file from starting, the next ticked row must not wait for it.
    ConversionBusy = false;
    emit fileNotStarted(row.FilePath, output, reason);
    return false;
}

void AudioConverter::Stop()
{
    if (m_converter) m_converter->Stop();
}

void AudioConverter::Abandon()
{
    m_abandoned = true;
    Stop();
}

void AudioConverter::MP3ToWav1Progress(TMP3ToWav *sender)
{
    emit stateChanged(inProgress);
    emit progressChanged(sender->Progress);
}

void AudioConverter::MP3ToWav1Done(TMP3ToWav *sender, bool success)
{
    emit progressChanged(0);
    ConversionBusy = false;
    emit stateChanged(finished);
    const DecodeResult &result = sender->result();
    emit fileDone(sender->InputFile, sender->OutputFile, success, result.sampleFrames, result.error);
}

} // namespace tolvex::converter
