#pragma once
#include "engine/RunState.h"

namespace qv
{
class qvFileList;

// The found-file list of the engine, shown in the window's file list control.
class FileListBinding : public FoundFileList
{
public:
    explicit FileListBinding(qvFileList &list) : m_list(list) {}

    void Clear() override;
    void AddItem(const QString &path, const QString &ext, const QString &size, const QString &date,
                 const QString &attributes) override;
    int GetCount() const override;
    QString GetFile(int row) const override;
    void Refresh() override;
    bool Enabled() const override;
    void setEnabled(bool on) override;
    bool ShowFullPath() const override;
    void setShowFullPath(bool on) override;

private:
    qvFileList &m_list;
};

} // namespace qv
