#pragma once

#include <QByteArray>
#include <QString>
#include <QTest>
#include <optional>

// QtTest prints neither std::optional nor raw bytes readably on its own; a
// failing comparison should show what came back.
namespace QTest {

template<>
inline char* toString(const std::optional<QString>& value)
{
    return value ? QTest::toString(*value) : qstrdup("nothing");
}

template<>
inline char* toString(const std::optional<QByteArray>& value)
{
    return value ? qstrdup(("hex " + value->toHex()).constData()) : qstrdup("nothing");
}

}  // namespace QTest
