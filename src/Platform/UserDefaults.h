#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Small key/value storage for the stored records: each key holds exactly the
// bytes last written under it.
class UserDefaults {
public:
    virtual ~UserDefaults() = default;
    virtual std::optional<QByteArray> data(const QString& key) const = 0;
    // Returns false (and the reason in *error) when the bytes did not reach storage.
    virtual bool setData(const QString& key, const QByteArray& bytes, QString* error = nullptr) = 0;
    virtual QStringList keys() const = 0;
};

// One file per key in $XDG_CONFIG_HOME/QuaverLoom/ (~/.config/QuaverLoom/),
// named exactly as the key, replaced atomically on every write.
class FileUserDefaults final : public UserDefaults {
public:
    FileUserDefaults(); // the standard location
    explicit FileUserDefaults(QString directory);

    std::optional<QByteArray> data(const QString& key) const override;
    bool setData(const QString& key, const QByteArray& bytes, QString* error = nullptr) override;
    QStringList keys() const override;

    const QString& directory() const { return m_directory; }
    static QString standardDirectory();

private:
    QString pathFor(const QString& key) const;
    QString m_directory;
};

// Keys become file names; anything that could leave the directory is refused.
bool isValidUserDefaultsKey(const QString& key);
