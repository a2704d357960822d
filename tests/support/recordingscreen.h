#pragma once

#include "ui/screencontroller.h"

#include <QStringList>

// A screen that writes each lifecycle call, with its name, to a shared log.
class RecordingScreen : public ui::ScreenController {
public:
    RecordingScreen(QString name, QStringList *log)
        : m_name(std::move(name))
        , m_log(log) {
        setTitle(m_name);
    }

    void viewDidLoad() override { *m_log << m_name + " didLoad"; }
    void viewWillAppear() override { *m_log << m_name + " willAppear"; }
    void viewDidAppear() override { *m_log << m_name + " didAppear"; }
    void viewWillDisappear() override { *m_log << m_name + " willDisappear"; }

private:
    QString m_name;
    QStringList *m_log;
};
