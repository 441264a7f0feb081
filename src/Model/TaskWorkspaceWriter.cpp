#include "Model/TaskWorkspaceWriter.h"

TaskWorkspaceWriter::TaskWorkspaceWriter(TaskStore& store, QObject* parent)
    : QObject(parent), m_store(store), m_thread([this] { run(); })
{
}

TaskWorkspaceWriter::~TaskWorkspaceWriter()
{
    flush();
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void TaskWorkspaceWriter::save(TaskWorkspaceState state)
{
    {
        std::lock_guard lock(m_mutex);
        m_pending = std::move(state);
    }
    m_changed.notify_all();
}

void TaskWorkspaceWriter::flush()
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_pending && !m_writing; });
    }
    deliverResults();
}

void TaskWorkspaceWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_pending || m_stopping; });
        if (!m_pending)
            return;
        const TaskWorkspaceState state = std::move(*m_pending);
        m_pending.reset();
        m_writing = true;
        lock.unlock();

        std::optional<Failure> failure;
        try {
            m_store.save(state);
        } catch (const StoreError& error) {
            failure = Failure{error.description(), error.reason()};
        } catch (const std::exception& error) {
            failure = Failure{QString::fromUtf8(error.what()), QString::fromUtf8(error.what())};
        }

        lock.lock();
        m_writing = false;
        m_results.push_back(std::move(failure));
        if (!m_deliveryPosted) {
            m_deliveryPosted = true;
            QMetaObject::invokeMethod(this, &TaskWorkspaceWriter::deliverResults, Qt::QueuedConnection);
        }
        m_changed.notify_all();
    }
}

void TaskWorkspaceWriter::deliverResults()
{
    std::vector<std::optional<Failure>> results;
    {
        std::lock_guard lock(m_mutex);
        results.swap(m_results);
        m_deliveryPosted = false;
    }
    for (const std::optional<Failure>& failure : results) {
        if (failure)
            emit saveFailed(failure->description, failure->reason);
        else
            emit saved();
    }
}
