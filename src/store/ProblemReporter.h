#pragma once

#include <QString>
#include <functional>

// How the store tells the user about a problem it has worked round (a row that cannot be read, a
// file that did not become a token): a message and a title, shown by the application. The store
// itself opens no window. Without a reporter the problem is written to standard error.
using ProblemReporter = std::function<void(const QString& pMessage, const QString& pTitle)>;

void ReportProblem(const ProblemReporter& pReporter, const QString& pMessage, const QString& pTitle);
