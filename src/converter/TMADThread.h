#pragma once

#include "MadDecoding.h"

#include <QThread>

#include <atomic>
#include <memory>

class QFile;

namespace tolvex::converter {

// Decodes one file on its own thread. Its signals come from that thread; done is always its last
// action, whether the file ended, was stopped or failed.
class TMADThread final : public QThread
{
    Q_OBJECT

public:
    TMADThread(std::unique_ptr<QFile> input, std::unique_ptr<QFile> output, QObject *parent = nullptr);
    ~TMADThread() override;

    // Any thread: the decoding ends after the current frame.
    void requestStop() { m_stop = true; }

signals:
    void progressed(int percent);
    void done(const tolvex::converter::DecodeResult &result);

protected:
    void run() override;

private:
    std::unique_ptr<QFile> m_input;
    std::unique_ptr<QFile> m_output;
    std::atomic<bool> m_stop{false};
};

} // namespace tolvex::converter
