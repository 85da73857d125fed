#pragma once
// The dive computer's blocks turned into a dive: packed-decimal header fields and the
// depth and temperature samples of the profile blocks. Every read is bounds-checked;
// anything malformed ends as a failure with a reason the user can be shown.
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QTime>
#include <optional>

constexpr int kHABlockSize = 32;

struct HAHeader {
    int blocks = 0;  // profile blocks that follow
    QDate date;
    QTime inTime, outTime;
    double maxDepth = 0, depthTemp = 0, avgDepth = 0;  // 99.9: no data
};

struct HADive {
    QDate date;
    QTime inTime, outTime;
    double maxDepth = 0, avgDepth = 0, surfaceTemp = 0;
    std::optional<double> depthTemp;  // none when neither header nor samples give one
    QList<double> depths, temps;
    QString depthTransit, tempTransit;
};

std::optional<HAHeader> DecodeHeader(const QByteArray& block, QString* error);
// Decodes the concatenated profile blocks into dive (samples, series texts and the
// summary values the header left as 99.9).
bool DecodeProfile(const QByteArray& buffer, HADive& dive, QString* error);
// A whole transfer: the header block and its profile blocks.
std::optional<HADive> DecodeTransfer(const QByteArray& header, const QByteArray& profile, QString* error);

// Gaps (99.9) filled from their neighbours: the sample before (0 at the start), averaged
// with the next sample when that one is known.
void FillGaps(QList<double>& samples);
