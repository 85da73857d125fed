#pragma once
// Dives in UDDF 3.2, the interchange format other dive logs read: SI units, the profile as
// waypoints, and for each dive the row exactly as this log stores it (with its attached
// files) in an element of our own, so that a Tidewriter import gives the dive back field
// for field.
#include "LogSnapshot.h"

#include <QString>

class JobProgress;

inline constexpr char kUddfNamespace[] = "http://www.streit.cc/uddf/3.2/";
// Our own element inside applicationdata.
inline constexpr char kTidewriterNamespace[] = "urn:x-tidewriter:logtbl:1";

// Writes the chosen dives, in their order, through a temporary file that replaces the target
// only when it is complete (a failure or a stop leaves an existing file as it was); the log
// and its companions are refused. False with error set when the log could not be read or
// the file could not be written. A job the user stopped is not a failure: its file holds the
// dives done before the stop.
bool ExportUDDF(const QString& fileName, const ExportChoice& choose, JobProgress* progress, QString* error);
bool ExportUDDF(const QString& fileName, const QList<ExportItem>& items, JobProgress* progress, QString* error);

// A profile's samples spread over the dive as the profile chart spreads them: sample i of n
// at (i + 1) × duration ÷ (n + 1) seconds. Without a duration, a sample a minute.
double SampleSeconds(qsizetype i, qsizetype n, double durationSeconds);
