#pragma once
// Dive-table look-ups over PlannerTbl and SiTbl, and the arithmetic the record needs.
// Groups are numbers: 1 = A … 26 = Z, 0 = no group.
#include <QString>
#include <QTime>
#include <optional>

long GetEndPg(long startPg, float depth, long bottomTime);
long GetRnt(long pg, float depth);
long GetAbt(long pg, float depth);  // pg 0: the no-decompression limit of the depth
long GetSiEndPg(long startPg, long si);
long GetMinSi(long startPg, long endPg);

// Whole minutes from start to end, across midnight when end is earlier.
long GetTimeDiff(const QTime& start, const QTime& end);
// Litres of air used, converted to the surface; empty when the arithmetic overflows or
// the depth is -10 m (no pressure to divide by).
std::optional<long> GetSurfaceAir(float depth, long capacity, long startBar, long endBar);

// The letter of a group ("*" for 0), and a group read back from a text's first letter.
QString GroupLetter(long pg);
long GroupFromText(const QString& text);

// Forgets the memorised look-ups (the tables of another log, in tests).
void ClearDiveCalcMemos();
// How many table queries have run; a repeated look-up must not add one.
long DiveCalcQueryCount();
