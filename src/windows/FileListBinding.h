#pragma once
#include "controls/filelist/qvFileListModel.h"
#include "engine/FileScan.h"
#include "engine/RunState.h"

namespace qv
{
class qvFileList;

// The found-file list of the engine, shown in the window's file list control: the
// control asks for the texts of the rows it draws or sorts, the engine keeps the files.
class FileListBinding : public FoundFileList
{
public:
    explicit FileListBinding(qvFileList &list) : m_list(list), m_rows(list) {}
    // The list outlives the engine's files as the window closes: it lets go of them first.
    ~FileListBinding() override { Clear(); }

    void Clear() override;
    void Show(const FoundFiles &found) override;
    int GetCount() const override;
    QString GetFile(int row) const override;
    void Refresh() override;
    bool Enabled() const override;
    void setEnabled(bool on) override;
    bool ShowFullPath() const override;
    void setShowFullPath(bool on) override;

private:
    class Rows : public qvFileListSource
    {
    public:
        explicit Rows(const qvFileList &list) : m_list(list) {}
        void show(const FoundFiles *found);
        int count() const override { return m_found ? m_found->count() : 0; }
        QString path(int i) const override { return m_found->windowsPath(i); }
        QString text(int i, int column) const override;
        qsizetype textLength(int i, int column) const override;

    private:
        const qvFileList &m_list;
        const FoundFiles *m_found = nullptr;
        FileScan::NumberSeparators m_separators;
        qsizetype m_dateLength = 0;
    };
    qvFileList &m_list;
    Rows m_rows;
};

} // namespace qv
