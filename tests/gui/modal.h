// Answering modal dialogs from a test: the dialog is found once it is the
// active modal widget.
#pragma once
#include <QApplication>
#include <QString>
#include <QTimer>
#include <functional>

namespace kobutest {

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Runs `answer` on the dialog of type T once it is the active modal widget.
// The answer must close the dialog, or the call that showed it never returns.
template <class T>
void WhenModal(std::function<void(T*)> answer, int turns = 0) {
  QTimer::singleShot(0, qApp, [answer, turns] {
    T* dialog = dynamic_cast<T*>(QApplication::activeModalWidget());
    if (!dialog && turns < 10000) return WhenModal<T>(answer, turns + 1);
    if (dialog) answer(dialog);
  });
}

}  // namespace kobutest
