#include "XvfbSession.h"
#include "platform/SingleInstance.h"

#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

using TestSupport::WaitFor;

namespace {
const char* const RoleVariable = "TESSARO_TEST_SINGLE_INSTANCE_ROLE";
constexpr int HandedOver = 3;

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// Run as another copy of the program: hand over and end, or stay as the first copy.
int RunCopy(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    SingleInstance instance;
    if (instance.ActivatePreviousInstance()) {
        Say("handed over");
        return HandedOver;
    }
    QObject::connect(&instance, &SingleInstance::ActivationRequested, [] { Say("activation requested"); });
    Say("primary");
    return app.exec();
}
} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

    QTemporaryDir mRuntime; // the user's private runtime folder, as the session would give it
    std::unique_ptr<QTemporaryDir> mData;
    std::vector<std::unique_ptr<QProcess>> mCopies;

    QProcessEnvironment CopyEnvironment(const QString& dataFolder) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(RoleVariable, QStringLiteral("copy"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dataFolder);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), mRuntime.path());
        return environment;
    }

    // Starts another copy of the program for the data folder (this test's by default).
    QProcess* StartCopy(const QString& dataFolder = {}) {
        auto copy = std::make_unique<QProcess>();
        copy->setProcessEnvironment(CopyEnvironment(dataFolder.isEmpty() ? mData->path() : dataFolder));
        copy->start(QCoreApplication::applicationFilePath(), {});
        if (!copy->waitForStarted(10000))
            return nullptr;
        mCopies.push_back(std::move(copy));
        return mCopies.back().get();
    }

    static QByteArray FirstLine(QProcess* copy) {
        WaitFor([copy] { return copy->canReadLine() || copy->state() == QProcess::NotRunning; });
        return copy->readLine().trimmed();
    }

    static bool Ended(QProcess* copy) {
        return WaitFor([copy] { return copy->state() == QProcess::NotRunning; }, 15000);
    }

private slots:
    void initTestCase() {
        QVERIFY(mRuntime.isValid());
        QFile::setPermissions(mRuntime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", mRuntime.path().toLocal8Bit());
    }

    void init() {
        mData = std::make_unique<QTemporaryDir>();
        QVERIFY(mData->isValid());
        qputenv("XDG_DATA_HOME", mData->path().toLocal8Bit());
    }

    void cleanup() {
        for (auto& copy : mCopies)
            TestSupport::XvfbSession::Stop(copy.get());
        mCopies.clear();
    }

    void laterCopiesActivateTheFirst() {
        SingleInstance first;
        QSignalSpy activations(&first, &SingleInstance::ActivationRequested);
        QVERIFY(!first.ActivatePreviousInstance());
        QVERIFY(first.IsPrimary());
        for (int copyNumber = 1; copyNumber <= 2; ++copyNumber) {
            QProcess* second = StartCopy();
            QVERIFY(second);
            QVERIFY(Ended(second));
            QCOMPARE(second->exitCode(), HandedOver);
            QCOMPARE(second->readLine().trimmed(), QByteArray("handed over"));
            QVERIFY(WaitFor([&] { return activations.count() == copyNumber; }));
        }
    }

    void firstCopyInAnotherProcess() {
        QProcess* first = StartCopy();
        QVERIFY(first);
        QCOMPARE(FirstLine(first), QByteArray("primary"));
        SingleInstance second;
        QVERIFY(second.ActivatePreviousInstance());
        QVERIFY(!second.IsPrimary());
        QCOMPARE(FirstLine(first), QByteArray("activation requested"));
    }

    void otherDataFoldersDoNotMeet() {
        SingleInstance first;
        QVERIFY(!first.ActivatePreviousInstance());
        QTemporaryDir otherData;
        QProcess* other = StartCopy(otherData.path());
        QVERIFY(other);
        QCOMPARE(FirstLine(other), QByteArray("primary"));
    }

    void crashedFirstCopyDoesNotBlock() {
        QProcess* crashed = StartCopy();
        QVERIFY(crashed);
        QCOMPARE(FirstLine(crashed), QByteArray("primary"));
        crashed->kill(); // SIGKILL: no clean-up runs
        QVERIFY(Ended(crashed));

        SingleInstance next;
        QVERIFY2(QFileInfo::exists(next.LockFilePath()), "the crashed copy's lock file is left behind");
        QVERIFY2(QFileInfo::exists(next.ServerName()), "the crashed copy's socket is left behind");
        QSignalSpy activations(&next, &SingleInstance::ActivationRequested);
        QVERIFY(!next.ActivatePreviousInstance());
        QVERIFY(next.IsPrimary());

        QProcess* later = StartCopy();
        QVERIFY(later);
        QVERIFY(Ended(later));
        QCOMPARE(later->exitCode(), HandedOver);
        QVERIFY(WaitFor([&] { return activations.count() == 1; }));
    }

    void cleanEndFreesTheName() {
        {
            SingleInstance first;
            QVERIFY(!first.ActivatePreviousInstance());
        }
        SingleInstance next;
        QVERIFY(!next.ActivatePreviousInstance());
        QVERIFY(next.IsPrimary());
    }

    void silentHolderIsLeftAlone() {
        SingleInstance probe;
        QLockFile holder(probe.LockFilePath()); // alive (this process) but never answers
        QVERIFY(holder.tryLock(0));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("does not answer"));
        QVERIFY(probe.ActivatePreviousInstance(300));
        QVERIFY(!probe.IsPrimary());
    }
};

int main(int argc, char* argv[]) {
    if (qEnvironmentVariable(RoleVariable) == QLatin1String("copy"))
        return RunCopy(argc, argv);
    QCoreApplication app(argc, argv);
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
