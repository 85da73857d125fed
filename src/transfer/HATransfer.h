#pragma once
// The conversation with the dive computer's communication unit: wake it, ask for the
// header and the profile blocks one by one, end. Decoding is HADecode's.
#include "HADecode.h"

#include <functional>
#include <optional>

class ByteLine;

class HATransfer {
public:
    // progress(blocks read, blocks in all) runs after each profile block; returning true
    // there stops the transfer (the user cancelled).
    using Progress = std::function<bool(int done, int total)>;
    // Runs after the header: the dive's date and entry time are known.
    using HeaderSeen = std::function<void(const HAHeader&)>;

    explicit HATransfer(ByteLine& line) : m_line(line) {}
    // Asked after every wait: true ends the transfer at once (the dialog's Cancel).
    void setCancelCheck(std::function<bool()> cancelled) { m_cancelled = std::move(cancelled); }

    // The whole transfer. Empty with the reason in error when it failed or was stopped
    // (stopped() tells which); the line is closed either way.
    std::optional<HADive> run(const Progress& progress = {}, const HeaderSeen& header = {}, QString* error = nullptr);
    bool stopped() const { return m_stopped; }

    bool HA_Initialize(QString* error);
    // The next 32-byte block; empty after the unit failed to answer four times, or when
    // more than a block arrived.
    std::optional<QByteArray> ReadBlock(QString* error);
    void HA_End();

    static QString communicationError();

private:
    bool waitAndAskStop(int ms);

    ByteLine& m_line;
    std::function<bool()> m_cancelled;
    bool m_stopped = false;
};
