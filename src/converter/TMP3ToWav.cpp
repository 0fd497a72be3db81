#include "TMP3ToWav.h"

#include "TMADThread.h"
#include "shell/ShellServices.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace tolvex::converter {

TMP3ToWav::TMP3ToWav(platform::ShellServices &shell, QObject *parent) : QObject(parent), m_shell(shell) {}

TMP3ToWav::~TMP3ToWav()
{
    delete m_worker;
}

bool TMP3ToWav::Run()
{
    m_error.clear();
    if (m_running) {
        m_error = QStringLiteral("a file is being converted");
        return false;
    }
    const QString inputHost = m_shell.hostPath(InputFile);
    const QString outputHost = m_shell.hostPath(OutputFile);
    auto input = std::make_unique<QFile>(inputHost);
    if (inputHost.isEmpty() || !input->open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot open %1: %2").arg(InputFile, input->errorString());
        return false;
    }
    // Creating the output first would empty the input before it is read.
    const QFileInfo outputInfo(outputHost);
    if (outputInfo.exists() && outputInfo.canonicalFilePath() == QFileInfo(inputHost).canonicalFilePath()) {
        m_error = QStringLiteral("%1 would overwrite its own input").arg(OutputFile);
        return false;
    }
    auto output = std::make_unique<QFile>(outputHost);
    if (outputHost.isEmpty() || !output->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = QStringLiteral("cannot create %1: %2").arg(OutputFile, output->errorString());
        return false;
    }
    delete m_worker;
    m_worker = new TMADThread(std::move(input), std::move(output), this);
    m_running = true;
    Progress = 0;
    connect(m_worker, &TMADThread::progressed, this, [this](int percent) {
        Progress = percent;
        emit OnProgress(this);
    });
    connect(m_worker, &TMADThread::done, this, [this](const DecodeResult &result) {
        m_running = false;
        m_result = result;
        m_error = result.error;
        emit OnDone(this, result.success);
    });
    m_worker->start();
    return true;
}

void TMP3ToWav::Stop()
{
    if (m_worker) m_worker->requestStop();
}

void TMP3ToWav::StopAndWait()
{
    if (!m_worker) return;
    m_worker->requestStop();
    m_worker->wait();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

} // namespace tolvex::converter
