#include "transfer/screen/transferview.h"

#include "zepcommon/theme/zepcolors.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace transfer {

namespace {

using Label = TransferViewController::Label;

constexpr int codeSide = 180;

// The order in which the labels stand on the screen; the QR code follows the scan hint.
constexpr std::array screenOrder = {Label::Title,    Label::Subtitle, Label::SameNetwork, Label::OpenBrowser,
                                    Label::Address,  Label::ScanCode, Label::Upload,      Label::Download,
                                    Label::KeepOpen, Label::Privacy};

QLabel *makeLabel(Label which) {
    auto *label = new QLabel;
    label->setWordWrap(true);
    QFont font = label->font();
    switch (which) {
    case Label::Title:
        font.setPointSizeF(font.pointSizeF() * 1.8);
        font.setBold(true);
        break;
    case Label::Address:
        font.setPointSizeF(font.pointSizeF() * 1.4);
        font.setBold(true);
        label->setAlignment(Qt::AlignHCenter);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        break;
    case Label::ScanCode:
        label->setAlignment(Qt::AlignHCenter);
        break;
    case Label::KeepOpen:
    case Label::Privacy:
        font.setPointSizeF(font.pointSizeF() * 0.9);
        break;
    default:
        break;
    }
    label->setFont(font);
    return label;
}

} // namespace

TransferView::TransferView(TransferViewController *controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_code(new QLabel)
    , m_localAddress(new QLabel)
    , m_accessSwitch(new QCheckBox(tr("Ask browsers for an access code")))
    , m_accessCode(new QLabel)
    , m_close(new QPushButton(tr("Close"))) {
    setObjectName(QStringLiteral("transferView"));
    auto *content = new QWidget;
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(24, 20, 24, 24);
    column->setSpacing(12);

    auto *top = new QHBoxLayout;
    top->addStretch();
    top->addWidget(m_close);
    column->addLayout(top);

    for (const Label which : screenOrder) {
        QLabel *label = makeLabel(which);
        label->setObjectName(QStringLiteral("transferLabel%1").arg(int(which)));
        m_labels[size_t(which)] = label;
        column->addWidget(label);
        if (which == Label::ScanCode)
            column->addWidget(m_code, 0, Qt::AlignHCenter);
        if (which == Label::Address) {
            column->addWidget(m_localAddress);
            column->addWidget(m_accessSwitch, 0, Qt::AlignHCenter);
            column->addWidget(m_accessCode);
        }
    }
    column->addStretch();
    m_code->setObjectName(QStringLiteral("transferCode"));
    m_localAddress->setObjectName(QStringLiteral("transferLocalAddress"));
    m_localAddress->setAlignment(Qt::AlignHCenter);
    m_localAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_code->setFixedSize(codeSide, codeSide);
    m_accessSwitch->setObjectName(QStringLiteral("transferAccessCodeSwitch"));
    m_accessSwitch->setAccessibleName(m_accessSwitch->text());
    m_accessCode->setObjectName(QStringLiteral("transferAccessCode"));
    m_accessCode->setAlignment(Qt::AlignHCenter);
    m_accessCode->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont codeFont = m_accessCode->font();
    codeFont.setPointSizeF(codeFont.pointSizeF() * 1.3);
    codeFont.setBold(true);
    m_accessCode->setFont(codeFont);
    m_close->setAccessibleName(tr("Close"));
    m_code->setScaledContents(true);

    auto *scroll = new QScrollArea;
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    connect(m_close, &QPushButton::clicked, controller, &TransferViewController::close);
    connect(m_accessSwitch, &QCheckBox::toggled, controller, &TransferViewController::setAccessCodeEnabled);
    connect(controller, &TransferViewController::labelsChanged, this, &TransferView::updateTexts);
    connect(controller, &TransferViewController::addressChanged, this, &TransferView::updateAddress);
    applyColors();
}

void TransferView::load() {
    m_controller->loadViewIfNeeded();
    updateTexts();
}

void TransferView::updateTexts() {
    for (int i = 0; i < TransferViewController::labelCount; ++i) {
        m_labels[size_t(i)]->setText(m_controller->labelText(Label(i)));
        m_labels[size_t(i)]->setAccessibleName(m_controller->labelText(Label(i)));
    }
    m_close->setVisible(!m_controller->isInTabBar());
    updateAddress();
}

void TransferView::updateAddress() {
    addressLabel()->setText(m_controller->addressLabelText());
    addressLabel()->setAccessibleName(m_controller->addressLabelText());
    if (const std::optional<QColor> color = m_controller->addressColor()) {
        QPalette palette = addressLabel()->palette();
        palette.setColor(QPalette::WindowText, *color);
        addressLabel()->setPalette(palette);
    }
    const QImage code = m_controller->addressCode();
    m_code->setPixmap(code.isNull() ? QPixmap() : QPixmap::fromImage(code));
    m_code->setAccessibleName(tr("QR code of the address ") + m_controller->address().value_or(QString()));
    m_code->setVisible(!code.isNull());
    const std::optional<QString> local = m_controller->localAddress();
    m_localAddress->setText(local ? tr("or, by name: %1").arg(*local) : QString());
    m_localAddress->setAccessibleName(local ? m_localAddress->text() : tr("Not announced by name"));
    m_localAddress->setVisible(local.has_value());
    label(Label::ScanCode)->setVisible(!code.isNull());
    m_accessSwitch->setChecked(m_controller->isAccessCodeEnabled());
    const QString access = m_controller->accessCodeText();
    m_accessCode->setText(access);
    // Screen readers list the label while it is hidden too, so it always has a name.
    m_accessCode->setAccessibleName(access.isEmpty() ? tr("No access code") : access);
    m_accessCode->setVisible(!access.isEmpty());
}

void TransferView::applyColors() {
    if (const std::optional<QColor> background = ZEPColors::themeColorWithName(ZEPColors::background())) {
        setAutoFillBackground(true);
        QPalette own = palette();
        own.setColor(QPalette::Window, *background);
        setPalette(own);
    }
}

} // namespace transfer
