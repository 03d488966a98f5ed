#include "CodeClipboard.h"

#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/log.h>

#include <cstring>

namespace quillveil {

namespace {

// Serves the bytes as they are: the toolkit's own text object would first
// widen them into a string of four bytes a character.
class Utf8TextDataObject : public wxDataObjectSimple {
public:
    Utf8TextDataObject(std::shared_ptr<const std::string> text, std::size_t begin, std::size_t end)
        : wxDataObjectSimple(wxDF_UNICODETEXT), m_text(std::move(text)), m_begin(begin), m_end(end)
    {}

    size_t GetDataSize() const override { return m_end - m_begin; }
    bool GetDataHere(void* buf) const override
    {
        std::memcpy(buf, m_text->data() + m_begin, m_end - m_begin);
        return true;
    }
    bool SetData(size_t, const void*) override { return false; }

    // The overloads by format, so the ones above do not hide them.
    size_t GetDataSize(const wxDataFormat&) const override { return GetDataSize(); }
    bool GetDataHere(const wxDataFormat&, void* buf) const override { return GetDataHere(buf); }
    bool SetData(const wxDataFormat&, size_t len, const void* buf) override
    {
        return SetData(len, buf);
    }

private:
    std::shared_ptr<const std::string> m_text;
    std::size_t m_begin;
    std::size_t m_end;
};

} // namespace

bool PutTextOnClipboard(std::shared_ptr<const std::string> text, std::size_t begin, std::size_t end)
{
    wxLogNull quiet;
    if (!wxTheClipboard->Open()) {
        return false;
    }
    wxTheClipboard->SetData(new Utf8TextDataObject(std::move(text), begin, end));
    wxTheClipboard->Close();
    // Where a clipboard manager runs, it keeps the text once we have exited.
    wxTheClipboard->Flush();
    return true;
}

} // namespace quillveil
