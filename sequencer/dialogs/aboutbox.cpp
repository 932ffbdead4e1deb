#include "aboutbox.h"
#include "ui_aboutbox.h"

#include "stylesheet.h"

namespace {

// Qt rich text: every paragraph with 12 px above and below and no indent, in
// the body font of the classic Windows dialogs.
const char aboutText[] =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
    "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
    "<html><head><meta name=\"qrichtext\" content=\"1\" /><style type=\"text/css\">\n"
    "p, li { white-space: pre-wrap; }\n"
    "</style></head><body style=\" font-family:'MS Shell Dlg 2'; font-size:8.25pt; "
    "font-weight:400; font-style:normal;\">\n"
    "<p style=\" margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; "
    "-qt-block-indent:0; text-indent:0px;\">         Vyra Sequencer Application Version %1</p>\n"
    "<p style=\" margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; "
    "-qt-block-indent:0; text-indent:0px;\">Copyright &#169; 2026 Quellmark. All rights "
    "reserved. This program is provided as is, without warranty of any kind.</p>\n"
    "<p style=\" margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; "
    "-qt-block-indent:0; text-indent:0px;\">Published by Quellmark Industrial Imaging</p>\n"
    "<p style=\" margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; "
    "-qt-block-indent:0; text-indent:0px;\">Tool bar and list icons drawn for this "
    "program by the Vyra Sequencer team.</p></body></html>";

} // namespace

AboutBox::AboutBox(QWidget *parent) : QDialog(parent), ui(new Ui::AboutBox)
{
    ui->setupUi(this);
    setStyleSheet(loadStyleSheet(QStringLiteral("base.qss")));
    ui->textBrowser->setHtml(QString::fromUtf8(aboutText).arg(version()));
}

AboutBox::~AboutBox()
{
    delete ui;
}

QString AboutBox::version()
{
    return QStringLiteral("1.0.2.6");
}

void AboutBox::on_pushButton_clicked()
{
    close();
}
