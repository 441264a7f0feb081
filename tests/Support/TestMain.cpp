#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {
// Every test runs against its own throw-away configuration, cache, state and runtime
// directories: no test ever touches the user's files, and no test sees what
// an earlier one wrote.
class PrivateXdgDirectories final : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override
    {
        m_home = std::make_unique<QTemporaryDir>();
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
            const QString dir = m_home->path() + "/" + QString::fromLatin1(name).toLower();
            QDir().mkpath(dir);
            QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            qputenv(name, dir.toUtf8());
        }
    }
    void OnTestEnd(const ::testing::TestInfo&) override { m_home.reset(); }

private:
    std::unique_ptr<QTemporaryDir> m_home;
};
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nothing may write to the real directories before the first test starts either.
    QTemporaryDir startup;
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "XDG_DATA_HOME", "XDG_DATA_DIRS"})
        qputenv(name, startup.path().toUtf8());
    QFile::setPermissions(startup.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new PrivateXdgDirectories);
    return RUN_ALL_TESTS();
}
