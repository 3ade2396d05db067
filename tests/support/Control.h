#pragma once
#include <gtest/gtest.h>

#include <QObject>
#include <QString>

// The control named name below parent (a dialog's OKButton, txtPage ...); the test fails when
// there is none.
template <class T>
T* Control(const QObject* parent, const QString& name) {
    auto* control = parent->findChild<T*>(name);
    EXPECT_NE(control, nullptr) << name.toStdString();
    return control;
}
