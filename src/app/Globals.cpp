#include "Globals.h"

QString gDatabasePath;
Database* gDatabase = nullptr;
bool gModified = false;
long gPort = 1;
QString gPortName;
std::array<long, 3> gTopMargin = kDefaultTopMargin;
std::array<long, 3> gLeftMarginRight = kDefaultLeftMarginRight;
std::array<long, 3> gLeftMarginLeft = kDefaultLeftMarginLeft;
std::array<long, 3> gOrientation{};
long gPageType = 0;
long gPageSeq = 0;
QStringList gAirTypes, gEntryTypes, gSuits, gTankMats, gWeathers, gItems, gConditions;
QStringList gLocations, gBuddies, gGuides;
long gNoOffset = 0;
long gTimeOffset = 0;
QString gPicPath;
QString gIniPath;

void ResetGlobals()
{
    gDatabasePath.clear();
    gDatabase = nullptr;
    gModified = false;
    gPort = 1;
    gPortName.clear();
    gTopMargin = kDefaultTopMargin;
    gLeftMarginRight = kDefaultLeftMarginRight;
    gLeftMarginLeft = kDefaultLeftMarginLeft;
    gOrientation = {};
    gPageType = gPageSeq = 0;
    for (QStringList* l : {&gAirTypes, &gEntryTypes, &gSuits, &gTankMats, &gWeathers, &gItems, &gConditions,
                           &gLocations, &gBuddies, &gGuides})
        l->clear();
    gNoOffset = gTimeOffset = 0;
    gPicPath.clear();
    gIniPath.clear();
}
