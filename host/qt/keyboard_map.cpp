#include "host/qt/keyboard_map.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "host/qt/device_layout.h"

namespace keyboard_map {

QString html() {
  std::vector<const layout::Key*> keys;
  for (const layout::Key& k : layout::keys()) keys.push_back(&k);
  // Command keys first, then digits and letters, as the device numbers them.
  std::sort(keys.begin(), keys.end(), [](const layout::Key* a, const layout::Key* b) { return a->tag < b->tag; });
  QString rows;
  for (const layout::Key* k : keys) {
    QString pc = k->tag == layout::kFuncTag ? QStringLiteral("Shift (tap it alone to latch Func)") : k->pc_key;
    rows += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td><td>%3</td></tr>")
                .arg(k->legend.toHtmlEscaped(), pc.toHtmlEscaped(), k->shifted.toHtmlEscaped());
  }
  rows += QStringLiteral("<tr><td><b>Cut switch</b></td><td>F5</td><td></td></tr>");
  return QStringLiteral(
             "<p>Upper and lower case follow the device's own Caps (Func + Font); the PC Caps Lock is the "
             "device's Caps key.</p><table cellspacing=0 cellpadding=3 border=1>"
             "<tr><th>Device key</th><th>PC key</th><th>With Func</th></tr>%1</table>"
             "<p>Alt with a letter starts a service command; Esc leaves it.<br>"
             "Keys typed in Print Output or the media panel go to the device too.<br>"
             "Keys typed quickly wait their turn: none is lost.</p>")
      .arg(rows);
}

void show(QWidget* parent) {
  static QPointer<QDialog> open;
  if (!open) {
    open = new QDialog(parent, Qt::Tool);
    open->setAttribute(Qt::WA_DeleteOnClose);
    open->setObjectName(QStringLiteral("KeyboardMap"));
    open->setWindowTitle(QStringLiteral("Keyboard Map"));
    auto* text = new QTextBrowser(open);
    text->setHtml(html());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, open);
    QObject::connect(buttons, &QDialogButtonBox::rejected, open.data(), &QDialog::close);
    auto* box = new QVBoxLayout(open);
    box->addWidget(text);
    box->addWidget(buttons);
    open->resize(460, 560);
  }
  open->show();
  open->raise();
  open->activateWindow();
}

}  // namespace keyboard_map
