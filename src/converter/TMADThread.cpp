#include "TMADThread.h"

#include <QFile>

namespace tolvex::converter {

TMADThread::TMADThread(std::unique_ptr<QFile> input, std::unique_ptr<QFile> output, QObject *parent)
    : QThread(parent), m_input(std::move(input)), m_output(std::move(output))
{
    qRegisterMetaType<tolvex::converter::DecodeResult>();
    m_input->moveToThread(this);
    m_output->moveToThread(this);
}

TMADThread::~TMADThread()
{
    m_stop = true;
    wait();
}

void TMADThread::run()
{
    MadDecoding decoding(*m_input, *m_output, m_stop);
    decoding.onProgress = [this](int percent) { emit progressed(percent); };
    DecodeResult result = decoding.run();
    m_input.reset();
    if (!m_output->flush() && result.error.isEmpty()) {
        result.error = QStringLiteral("cannot write the output: ") + m_output->errorString();
        result.success = false;
    }
    m_output.reset();
    emit done(result);
}

} // namespace tolvex::converter
