#include "frmPrintOption.h"

#include "ui_frmPrintOption.h"

#include "WidgetRoutines.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
const QColor kPaper(Qt::white), kInk(60, 60, 60), kPrinted(170, 205, 235), kMeasure(200, 40, 40);

// A binder page at r: the punched holes sit on the binding edge, the left edge of a
// right-hand page and the right edge of a left-hand page.
void PaintBinderPage(QPainter& p, const QRectF& r, bool rightHand, int number)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(r);
    const qreal holeX = rightHand ? r.left() + 4 : r.right() - 4;
    p.setBrush(kInk);
    for (int i = 1; i <= 3; ++i)
        p.drawEllipse(QPointF(holeX, r.top() + r.height() * i / 4), 1.5, 1.5);
    // The printed area keeps clear of the holes.
    const QRectF area = r.adjusted(rightHand ? 8 : 3, 3, rightHand ? -3 : -8, -3);
    p.setPen(Qt::NoPen);
    p.setBrush(kPrinted);
    p.drawRect(area);
    p.setPen(kInk);
    QFont f = p.font();
    f.setPixelSize(int(r.height() * 0.4));
    p.setFont(f);
    p.drawText(area, Qt::AlignCenter, QString::number(number));
}

void PaintArrow(QPainter& p, QPointF from, QPointF to)
{
    p.setPen(QPen(kMeasure, 1.2));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::max(1.0, std::hypot((to - from).x(), (to - from).y()));
    const QPointF n(-d.y(), d.x());
    for (const QPointF& tip : {from, to}) {
        const QPointF back = tip == from ? d : -d;
        QPainterPath head;
        head.moveTo(tip);
        head.lineTo(tip + back * 5 + n * 3);
        head.lineTo(tip + back * 5 - n * 3);
        head.closeSubpath();
        p.fillPath(head, kMeasure);
    }
}

// The page with its printed area moved down by the top margin and right by the left margin.
void PaintMargins(QPainter& p, const QSizeF& size)
{
    const QRectF page(size.width() * 0.15, size.height() * 0.06, size.width() * 0.7, size.height() * 0.88);
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(page);
    const QRectF area(page.left() + page.width() * 0.3, page.top() + page.height() * 0.25, page.width() * 0.6,
                      page.height() * 0.65);
    p.setPen(Qt::NoPen);
    p.setBrush(kPrinted);
    p.drawRect(area);
    p.setPen(QPen(kInk, 0.8, Qt::DashLine));
    p.drawLine(QPointF(page.left(), area.top()), area.topLeft());
    p.drawLine(QPointF(area.left(), page.top()), area.topLeft());
    PaintArrow(p, QPointF(area.left() + area.width() / 2, page.top()), QPointF(area.left() + area.width() / 2, area.top()));
    PaintArrow(p, QPointF(page.left(), area.top() + area.height() / 2), QPointF(area.left(), area.top() + area.height() / 2));
}

// Three pages in the order printed for page order seq (right, left, right-left, left-right).
void PaintPageOrder(QPainter& p, const QSizeF& size, int seq)
{
    const qreal h = size.height() - 4, w = h * 0.72, gap = 6;
    const qreal left = (size.width() - 3 * w - 2 * gap) / 2;
    for (int i = 0; i < 3; ++i) {
        const bool rightHand = seq == 0 || (seq == 2 && i % 2 == 0) || (seq == 3 && i % 2 == 1);
        PaintBinderPage(p, QRectF(left + i * (w + gap), 2, w, h), rightHand, i + 1);
    }
}

QPixmap Figure(int index, const QSize& size, qreal ratio)
{
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (index == 0)
        PaintMargins(p, QSizeF(size));
    else
        PaintPageOrder(p, QSizeF(size), index - 1);
    return pixmap;
}
}  // namespace

frmPrintOption::frmPrintOption(QWidget* parent)
    : QDialog(parent), ui(new Ui::frmPrintOption), m_orientation(new QButtonGroup(this)), m_pageSeq(new QButtonGroup(this))
{
    ui->setupUi(this);
    ui->updTopMargine->setBuddy(ui->txtTopMargine);
    ui->updLeftMargineRight->setBuddy(ui->txtLeftMargineRight);
    ui->updLeftMargineLeft->setBuddy(ui->txtLeftMargineLeft);
    m_orientation->addButton(ui->optOrientation_0, 0);
    m_orientation->addButton(ui->optOrientation_1, 1);
    QRadioButton* const seq[] = {ui->optPageSeq_0, ui->optPageSeq_1, ui->optPageSeq_2, ui->optPageSeq_3};
    for (int i = 0; i < 4; ++i)
        m_pageSeq->addButton(seq[i], i);
    for (QLineEdit* box : {ui->txtTopMargine, ui->txtLeftMargineRight, ui->txtLeftMargineLeft})
        box->installEventFilter(this);
    PaintFigures();

    Form_Load();

    connect(ui->cboType, &QComboBox::currentIndexChanged, this, &frmPrintOption::cboType_Click);
    connect(m_orientation, &QButtonGroup::idClicked, this, &frmPrintOption::optOrientation_Click);
    connect(ui->cmdOk, &QPushButton::clicked, this, &frmPrintOption::cmdOk_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmPrintOption::cmdCancel_Click);
}

frmPrintOption::~frmPrintOption()
{
    delete ui;
}

void frmPrintOption::PaintFigures()
{
    QLabel* const figures[] = {ui->imgFig_0, ui->imgFig_1, ui->imgFig_2, ui->imgFig_3, ui->imgFig_4};
    for (int i = 0; i < 5; ++i)
        figures[i]->setPixmap(Figure(i, figures[i]->minimumSize(), devicePixelRatioF()));
}

void frmPrintOption::Form_Load()
{
    ui->cboType->setCurrentIndex(int(m_options.pageType()));
    ShowPageType();
    m_pageSeq->button(int(m_options.pageSeq()))->setChecked(true);
}

void frmPrintOption::ShowPageType()
{
    const PageTypeSetup& s = m_options.current();
    ui->txtTopMargine->setText(QString::number(s.topMargin));
    ui->txtLeftMargineRight->setText(QString::number(s.leftMarginRight));
    ui->txtLeftMargineLeft->setText(QString::number(s.leftMarginLeft));
    m_orientation->button(int(s.orientation))->setChecked(true);
}

void frmPrintOption::cboType_Click(int index)
{
    // What the boxes show belongs to the type shown until now.
    if (!CommitBoxes()) {
        const QSignalBlocker blocker(ui->cboType);
        ui->cboType->setCurrentIndex(int(m_options.pageType()));
        return;
    }
    m_options.selectPageType(index);
    ShowPageType();
}

void frmPrintOption::optOrientation_Click(int index)
{
    m_options.setOrientation(index);
}

void frmPrintOption::txtTopMargine_Validate()
{
    ValidateBox(ui->txtTopMargine);
}

void frmPrintOption::txtLeftMargineRight_Validate()
{
    ValidateBox(ui->txtLeftMargineRight);
}

void frmPrintOption::txtLeftMargineLeft_Validate()
{
    ValidateBox(ui->txtLeftMargineLeft);
}

void frmPrintOption::cmdOk_Click()
{
    // A margin typed and confirmed with Enter never left its box: it is stored here.
    if (!CommitBoxes())
        return;
    m_options.setPageSeq(m_pageSeq->checkedId());
    if (!m_options.save(this))
        return;
    m_okPressed = true;
    accept();
}

void frmPrintOption::cmdCancel_Click()
{
    reject();
}

PageMargin frmPrintOption::MarginOf(const QLineEdit* box) const
{
    return box == ui->txtTopMargine ? PageMargin::Top
        : box == ui->txtLeftMargineRight ? PageMargin::LeftOfRightPage
                                         : PageMargin::LeftOfLeftPage;
}

bool frmPrintOption::CommitBoxes()
{
    for (QLineEdit* box : {ui->txtTopMargine, ui->txtLeftMargineRight, ui->txtLeftMargineLeft})
        if (!CommitBox(box))
            return false;
    return true;
}

bool frmPrintOption::CommitBox(QLineEdit* box)
{
    m_checking = true;
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    const bool stored = m_options.enterMargin(MarginOf(box), box->text(), this);
    if (stored) {
        // The box shows what is kept: 12.6 becomes 13.
        const PageTypeSetup& s = m_options.current();
        const PageMargin margin = MarginOf(box);
        box->setText(QString::number(margin == PageMargin::Top ? s.topMargin
                                     : margin == PageMargin::LeftOfRightPage ? s.leftMarginRight
                                                                             : s.leftMarginLeft));
    } else {
        box->setFocus(Qt::OtherFocusReason);
        SelectText(box);
    }
    m_checking = false;
    return stored;
}

void frmPrintOption::ValidateBox(QLineEdit* box)
{
    // A check queued as the dialog closed, one that Cancel makes pointless, or one queued
    // while another check is telling the user, tells nobody.
    if (m_checking || !isVisible() || QApplication::focusWidget() == ui->cmdCancel)
        return;
    CommitBox(box);
}

bool frmPrintOption::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && event->type() == QEvent::FocusOut && !m_checking) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Switching windows and opening menus do not leave the box.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            // Checked once the focus has settled: a message in the middle of a focus change would fight it.
            const auto check = box == ui->txtTopMargine ? &frmPrintOption::txtTopMargine_Validate
                : box == ui->txtLeftMargineRight ? &frmPrintOption::txtLeftMargineRight_Validate
                                                 : &frmPrintOption::txtLeftMargineLeft_Validate;
            QMetaObject::invokeMethod(this, check, Qt::QueuedConnection);
        }
    }
    return QDialog::eventFilter(watched, event);
}
