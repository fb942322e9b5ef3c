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
  // The program's own keys, beside the device's.
  static const char* const kProgramKeys[][2] = {
      {"Tab (held)", "runs the device as fast as possible while held"},
      {"Ctrl+P", "pause the device (again: go on)"},
      {"Ctrl+N", "step one tick while paused"},
      {"F12", "screenshot of the device window and the LCD beside the image"},
      {"Ctrl+Shift+C", "copy the LCD picture"},
      {"Ctrl+Shift+T", "copy the tape shown in Print Output"},
      {"Ctrl+S, Ctrl+Shift+S", "save the tape as PNG, as PDF"},
      {"Ctrl+O", "open another flash image"},
      {"Ctrl+K", "this keyboard map"},
      {"F10", "open the menus (then the underlined letters)"},
      {"Ctrl+Q", "quit"},
  };
  QString program;
  for (const auto& k : kProgramKeys)
    program += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(QString::fromLatin1(k[0]), QString::fromLatin1(k[1]));
  return QStringLiteral(
             "<p>Upper and lower case follow the device's own Caps (Func + Font); the PC Caps Lock is the "
             "device's Caps key.</p><table cellspacing=0 cellpadding=3 border=1>"
             "<tr><th>Device key</th><th>PC key</th><th>With Func</th></tr>%1</table>"
             "<p>Alt with a letter starts a service command; Esc leaves it.<br>"
             "Keys typed in Print Output or the media panel go to the device too, unless a text field, "
             "a number box or the battery dial has the focus.<br>"
             "Keys typed quickly wait their turn: none is lost.</p>"
             "<p><b>The program's own keys</b></p><table cellspacing=0 cellpadding=3 border=1>"
             "<tr><th>PC key</th><th>Does</th></tr>%2</table>")
      .arg(rows, program);
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
