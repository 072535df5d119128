#pragma once

#include <QString>
#include <stdexcept>

// A run-time error as the program reports it: a number, the routine or class it came from and a
// description. The top-level handler shows "<number> <description>" and ends the program.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, QString source, QString description)
        : std::runtime_error(description.toStdString()), mNumber(number), mSource(std::move(source)),
          mDescription(std::move(description)) {}

    int Number() const { return mNumber; }
    const QString& Source() const { return mSource; }
    const QString& Description() const { return mDescription; }
    // The text of a standard error message box: number, one space, description.
    QString MessageText() const { return QString::number(mNumber) + QLatin1Char(' ') + mDescription; }

private:
    int mNumber;
    QString mSource;
    QString mDescription;
};

// Numbers used by the program's own errors.
namespace ErrorNumber {
constexpr int Overflow = 6;
constexpr int FileNotFound = 53;
constexpr int ElementNotFound = 35601;
} // namespace ErrorNumber
