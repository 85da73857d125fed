#pragma once
// The page setup: page type, and for each type its margins and orientation, and the order of
// right-hand and left-hand pages. Edits stay in the object's own copies until save(), so
// closing without OK leaves the shared settings and the settings file as they were.
#include <QString>
#include <array>

class QObject;

// Page types in the order the dialog lists them; the index is the page type.
// 0: organizer page (PAGETYPE_1), 1: A5 logbook page (PAGETYPE_2).
inline constexpr int kPageTypeCount = 2;

// A hand-edited settings file may hold any number. These give what such a number means:
// page type 1 is the A5 page and anything else the organizer page (the default); orientation
// 1 is landscape and anything else portrait; page orders 0 to 3 are themselves and anything
// else is "every page a left-hand page", as printing reads it.
long UsablePageType(long pageType);
long UsableOrientation(long orientation);
long UsablePageSeq(long pageSeq);

enum class PageMargin { Top, LeftOfRightPage, LeftOfLeftPage };

struct PageTypeSetup {
    long topMargin = 0;        // millimetres
    long leftMarginRight = 0;  // of right-hand pages
    long leftMarginLeft = 0;   // of left-hand pages
    long orientation = 0;      // 0 portrait, 1 landscape
};

class PrintOptions {
public:
    // Copies of the shared settings (gTopMargin, ..., gPageType, gPageSeq).
    PrintOptions();

    long pageType() const { return m_pageType; }
    // Shows another type; the edits made for the one shown before stay.
    void selectPageType(long pageType);
    const PageTypeSetup& setup(long pageType) const { return m_setups[std::size_t(UsablePageType(pageType))]; }
    const PageTypeSetup& current() const { return setup(m_pageType); }

    // A number as typed, rounded to whole millimetres, stored for the type shown. Anything
    // else tells the user ("正しい数値を入力してください") and stores nothing.
    bool enterMargin(PageMargin margin, const QString& text, QObject* owner = nullptr);
    void setOrientation(long orientation);
    long pageSeq() const { return m_pageSeq; }
    void setPageSeq(long pageSeq);

    // Sets the shared settings, then writes both types' PAGETYPE keys and PRINT/PAGE_TYPE,
    // PRINT/PAGE_SEQ, stopping at the first key that cannot be written: the user is told,
    // false is returned, and the shared settings keep the new values.
    bool save(QObject* owner = nullptr);

private:
    std::array<PageTypeSetup, kPageTypeCount> m_setups;
    long m_pageType = 0;
    long m_pageSeq = 0;
};
