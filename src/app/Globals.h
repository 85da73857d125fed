#pragma once
// Process-wide state, shared by every window and module. Declared here and nowhere else.
#include <QString>
#include <QStringList>
#include <array>

class Database;

extern QString gDatabasePath;
extern Database* gDatabase;      // the one open log; null before start-up and after shutdown
extern bool gModified;           // set by every successful ExecuteSQL
extern long gPort;               // OPTION/PORT
extern QString gPortName;        // OPTION/PORT_NAME: a device path that overrides gPort when set

// Print settings: index 0 for page type 0, index 1 for page type 1, index 2 spare.
// Page margins in millimetres per page type (organizer, A5). They start at their defaults,
// so a hand-edited value that cannot be read leaves the default rather than 0.
inline constexpr std::array<long, 3> kDefaultTopMargin{16, 12, 0};
inline constexpr std::array<long, 3> kDefaultLeftMarginRight{21, 24, 0};
inline constexpr std::array<long, 3> kDefaultLeftMarginLeft{15, 5, 0};
extern std::array<long, 3> gTopMargin;
extern std::array<long, 3> gLeftMarginRight;
extern std::array<long, 3> gLeftMarginLeft;
extern std::array<long, 3> gOrientation;
extern long gPageType;
extern long gPageSeq;

// Lookup lists in id order; LogTbl stores positions in them.
extern QStringList gAirTypes;
extern QStringList gEntryTypes;
extern QStringList gSuits;
extern QStringList gTankMats;
extern QStringList gWeathers;
extern QStringList gItems;
extern QStringList gConditions;

// Suggestion lists, most used first.
extern QStringList gLocations;
extern QStringList gBuddies;
extern QStringList gGuides;

// ConfigTbl.
extern long gNoOffset;
extern long gTimeOffset;  // minutes
extern QString gPicPath;

// Path of the settings file (tidewriter.ini).
extern QString gIniPath;

// Resets every value above to its start-up state (tests start each case from here).
void ResetGlobals();
