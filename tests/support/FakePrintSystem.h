#pragma once
// A print system for the log tools' tests: a preset list of printers and
// registry values, the current printer kept as the real one keeps it, and
// every properties request and job recorded.

#include "platform/Printing.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <vector>

namespace testing_support {

class FakePrintSystem : public platform::PrintSystem {
public:
    struct Job {
        QString printer;
        QString text;
        int copies;
    };

    QStringList printers;
    QString current; // the current printer (starts as the "system default")
    // Registry stand-in: "root|key|value" -> text; keys listed in noKeys read as missing.
    QMap<QString, QString> values;
    QStringList existingKeys;
    bool printSucceeds = true;
    QStringList propertiesShown; // printers whose properties were asked for
    std::vector<Job> jobs;
    QStringList events; // "properties:<name>", "print:<printer>"

    static QString Address(platform::RegistryRoot root, const QString &key, const QString &value)
    {
        return QString(root == platform::RegistryRoot::CurrentConfig ? "HKCC" : "HKLM") + "|" + key + "|" +
               value;
    }
    void SetValue(platform::RegistryRoot root, const QString &key, const QString &value, const QString &text)
    {
        existingKeys << key;
        values[Address(root, key, value)] = text;
    }

    QStringList PrinterNames() override { return printers; }
    QString CurrentPrinter() override { return current; }
    void SetCurrentPrinter(const QString &name) override { current = name; }
    platform::RegistryString QueryRegistryString(platform::RegistryRoot root, const QString &key,
                                                 const QString &value) override
    {
        using Status = platform::RegistryString::Status;
        if (!existingKeys.contains(key))
            return {Status::NoKey, {}};
        const auto it = values.find(Address(root, key, value));
        if (it == values.end())
            return {Status::NotString, {}};
        return {Status::Text, *it};
    }
    bool ShowPrinterProperties(const QString &name, QWidget *) override
    {
        events << "properties:" + name;
        if (!printers.contains(name))
            return false;
        propertiesShown << name;
        return true;
    }
    bool PrintText(const QString &text, int copies) override
    {
        events << "print:" + current;
        if (!printSucceeds || current.isEmpty())
            return false;
        jobs.push_back({current, text, copies});
        return true;
    }
};

} // namespace testing_support
