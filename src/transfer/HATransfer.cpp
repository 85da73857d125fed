#include "HATransfer.h"

#include "ByteLine.h"

#include <QCoreApplication>

namespace {
constexpr quint8 kWake = 0x7F, kNext = 0xFF;
constexpr int kAttempts = 4, kPolls = 50, kPollMs = 10, kSettleMs = 20, kWakeMs = 1000;
}  // namespace

namespace {
QString stoppedText()
{
    return QCoreApplication::translate("HATransfer", "転送を中断しました");
}

QString tooMuchDataText()
{
    return QCoreApplication::translate("HATransfer", "コミュニケーションユニットから予定より多くのデータが送られてきました");
}
}  // namespace

QString HATransfer::communicationError()
{
    return QCoreApplication::translate("HATransfer", "通信に失敗しました") + QStringLiteral("\n")
        + QCoreApplication::translate("HATransfer", "ハイパーアクアランドが正しく転送モードになっているかどうか確認してください");
}


bool HATransfer::waitAndAskStop(int ms)
{
    m_line.wait(ms);
    if (m_cancelled && m_cancelled())
        m_stopped = true;
    return m_stopped;
}

bool HATransfer::HA_Initialize(QString* error)
{
    if (!m_line.open(error))
        return false;
    m_line.writeByte(kWake);
    if (waitAndAskStop(kWakeMs)) {
        if (error)
            *error = stoppedText();
        return false;
    }
    return true;
}

std::optional<QByteArray> HATransfer::ReadBlock(QString* error)
{
    m_line.writeByte(kNext);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        for (int poll = 0; poll < kPolls; ++poll) {
            // Exactly one block: more than 32 bytes is not a block either.
            if (m_line.bytesWaiting() == kHABlockSize) {
                m_line.wait(kSettleMs);
                QByteArray block = m_line.readAll();
                // More arrived while the block settled: no telling which 32 bytes are the
                // block, so the transfer ends rather than guess.
                if (block.size() != kHABlockSize) {
                    if (error)
                        *error = tooMuchDataText();
                    return std::nullopt;
                }
                return block;
            }
            if (waitAndAskStop(kPollMs)) {
                if (error)
                    *error = stoppedText();
                return std::nullopt;
            }
        }
        m_line.writeByte(kWake);
    }
    if (error)
        *error = communicationError();
    return std::nullopt;
}

void HATransfer::HA_End()
{
    m_line.writeByte(kNext);
    m_line.wait(kSettleMs);
}

std::optional<HADive> HATransfer::run(const Progress& progress, const HeaderSeen& headerSeen, QString* error)
{
    m_stopped = false;
    QString why;
    auto fail = [&]() -> std::optional<HADive> {
        m_line.close();
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (!HA_Initialize(&why))
        return fail();
    const std::optional<QByteArray> head = ReadBlock(&why);
    if (!head)
        return fail();
    const std::optional<HAHeader> header = DecodeHeader(*head, &why);
    if (!header)
        return fail();
    if (headerSeen)
        headerSeen(*header);
    QByteArray profile;
    profile.reserve(header->blocks * kHABlockSize);
    for (int i = 1; i <= header->blocks; ++i) {
        const std::optional<QByteArray> block = ReadBlock(&why);
        if (!block)
            return fail();
        profile += *block;
        if (progress && progress(i, header->blocks)) {
            m_stopped = true;
            why = stoppedText();
            return fail();
        }
    }
    std::optional<HADive> dive = DecodeTransfer(*head, profile, &why);
    if (!dive)
        return fail();
    HA_End();
    m_line.close();
    return dive;
}
