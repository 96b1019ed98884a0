#include "host/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "platform/cp932.h"

namespace kobu {

std::string QtClipboardText() {
  QClipboard* c = QGuiApplication::clipboard();
  return c ? Utf8ToCp932(c->text().toStdString()) : std::string();
}

void SetQtClipboardText(const std::string& text) {
  if (QClipboard* c = QGuiApplication::clipboard()) c->setText(QString::fromStdString(Cp932ToUtf8(text)));
}

}  // namespace kobu
