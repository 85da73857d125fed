#include "PrintOptions.h"

#include "Globals.h"
#include "TextReaders.h"
#include "UiServices.h"
#include "modSupport.h"

#include <QCoreApplication>

long UsablePageType(long pageType)
{
    return pageType == 1 ? 1 : 0;
}

long UsableOrientation(long orientation)
{
    return orientation == 1 ? 1 : 0;
}

long UsablePageSeq(long pageSeq)
{
    return pageSeq >= 0 && pageSeq <= 3 ? pageSeq : 1;
}

PrintOptions::PrintOptions() : m_pageType(UsablePageType(gPageType)), m_pageSeq(UsablePageSeq(gPageSeq))
{
    for (std::size_t i = 0; i < m_setups.size(); ++i)
        m_setups[i] = {gTopMargin[i], gLeftMarginRight[i], gLeftMarginLeft[i], UsableOrientation(gOrientation[i])};
}

void PrintOptions::selectPageType(long pageType)
{
    m_pageType = UsablePageType(pageType);
}

bool PrintOptions::enterMargin(PageMargin margin, const QString& text, QObject* owner)
{
    const std::optional<long> millimetres = CLng(text);
    if (!millimetres) {
        MsgBox(QCoreApplication::translate("PrintOptions", "正しい数値を入力してください"), MsgIcon::Critical,
               MsgButtons::Ok, QCoreApplication::translate("PrintOptions", "入力エラー"), owner);
        return false;
    }
    PageTypeSetup& s = m_setups[std::size_t(m_pageType)];
    (margin == PageMargin::Top ? s.topMargin
     : margin == PageMargin::LeftOfRightPage ? s.leftMarginRight
                                             : s.leftMarginLeft) = *millimetres;
    return true;
}

void PrintOptions::setOrientation(long orientation)
{
    m_setups[std::size_t(m_pageType)].orientation = UsableOrientation(orientation);
}

void PrintOptions::setPageSeq(long pageSeq)
{
    m_pageSeq = UsablePageSeq(pageSeq);
}

bool PrintOptions::save(QObject* owner)
{
    for (std::size_t i = 0; i < m_setups.size(); ++i) {
        gTopMargin[i] = m_setups[i].topMargin;
        gLeftMarginRight[i] = m_setups[i].leftMarginRight;
        gLeftMarginLeft[i] = m_setups[i].leftMarginLeft;
        gOrientation[i] = m_setups[i].orientation;
    }
    gPageSeq = m_pageSeq;
    gPageType = m_pageType;

    bool written = true;
    for (std::size_t i = 0; written && i < m_setups.size(); ++i) {
        const QString section = QStringLiteral("PAGETYPE_%1").arg(i + 1);
        const PageTypeSetup& s = m_setups[i];
        written = WriteIni(section, QStringLiteral("TOP_MARGINE"), QString::number(s.topMargin))
            && WriteIni(section, QStringLiteral("LEFT_MARGINE_RIGHT"), QString::number(s.leftMarginRight))
            && WriteIni(section, QStringLiteral("LEFT_MARGINE_LEFT"), QString::number(s.leftMarginLeft))
            && WriteIni(section, QStringLiteral("ORIENTATION"), QString::number(s.orientation));
    }
    written = written && WriteIni(QStringLiteral("PRINT"), QStringLiteral("PAGE_TYPE"), QString::number(m_pageType))
        && WriteIni(QStringLiteral("PRINT"), QStringLiteral("PAGE_SEQ"), QString::number(m_pageSeq));
    if (!written)
        MsgBox(FailureMessage(QCoreApplication::translate("PrintOptions", "設定の更新に失敗しました"),
                              QCoreApplication::translate("PrintOptions", "ファイル %1 に書き込めませんでした").arg(gIniPath)),
               MsgIcon::Critical, MsgButtons::Ok, QCoreApplication::translate("PrintOptions", "エラー"), owner);
    return written;
}
