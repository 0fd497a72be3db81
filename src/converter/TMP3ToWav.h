#pragma once

#include "MadDecoding.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace tolvex::platform {
class ShellServices;
}

namespace tolvex::converter {

class TMADThread;

// Converts one MP3 file (InputFile, a Windows path) into a WAV file (OutputFile) on a TMADThread.
// Its notices arrive on the thread that owns it.
class TMP3ToWav final : public QObject
{
    Q_OBJECT

public:
    explicit TMP3ToWav(platform::ShellServices &shell, QObject *parent = nullptr);
    // A running worker is stopped and waited for; its notices are not delivered.
    ~TMP3ToWav() override;

    QString InputFile;
    QString OutputFile;
    int Progress = 0; // percent of the current file, 0 and up

    // Opens the input, creates the output (an existing file is overwritten) and starts decoding.
    // False, with errorString(), when the input cannot be opened or the output cannot be made.
    bool Run();
    // The running worker ends after its current frame.
    void Stop();
    // Stops the running worker, waits for it and delivers its remaining notices now.
    void StopAndWait();
    bool running() const { return m_running; }

    // Of the last file that ended.
    const DecodeResult &result() const { return m_result; }
    QString errorString() const { return m_error; }
    // For tests that act from the decoding thread itself.
    TMADThread *worker() const { return m_worker; }

signals:
    void OnProgress(tolvex::converter::TMP3ToWav *Sender);
    void OnDone(tolvex::converter::TMP3ToWav *Sender, bool Success);

private:
    platform::ShellServices &m_shell;
    TMADThread *m_worker = nullptr;
    bool m_running = false;
    DecodeResult m_result;
    QString m_error;
};

} // namespace tolvex::converter
