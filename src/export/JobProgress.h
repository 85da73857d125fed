#pragma once
// How a long job shows its progress and learns that the user wants it stopped.
#include <QString>

class JobProgress {
public:
    virtual ~JobProgress() = default;
    virtual void begin(const QString& job, int max) = 0;
    // Shows step `value` of max and lets pending events run; true when the user asked to stop.
    virtual bool stepAndAskStop(int value, int max) = 0;
    // A new job text for the steps after the counted ones.
    virtual void setJob(const QString& job) { (void)job; }
    virtual void end() = 0;
};
