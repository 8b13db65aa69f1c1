#pragma once
// Components carry the names the rest of the program (and the translation
// walk) knows them by.

#include <QObject>
#include <QString>

namespace trellimap {

template <class T>
T* Named(T* object, const char* name) {
  object->setObjectName(QString::fromLatin1(name));
  return object;
}

}  // namespace trellimap
