#include "host/qt/user_guide.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace user_guide {

QString source() { return QStringLiteral("qrc:/klx80/docs/user-guide.md"); }

void show(QWidget* parent) {
  static QPointer<QDialog> open;
  if (!open) {
    open = new QDialog(parent, Qt::Window);
    open->setAttribute(Qt::WA_DeleteOnClose);
    open->setObjectName(QStringLiteral("UserGuide"));
    open->setWindowTitle(QStringLiteral("KLX80 User Guide"));
    auto* text = new QTextBrowser(open);
    text->setObjectName(QStringLiteral("UserGuideText"));
    text->setOpenExternalLinks(true);  // links off the guide go to the desktop's browser
    text->setSource(QUrl(source()), QTextDocument::MarkdownResource);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, open);
    QObject::connect(buttons, &QDialogButtonBox::rejected, open.data(), &QDialog::close);
    auto* box = new QVBoxLayout(open);
    box->addWidget(text);
    box->addWidget(buttons);
    open->resize(720, 640);
  }
  open->show();
  open->raise();
  open->activateWindow();
}

}  // namespace user_guide
