#pragma once

#include "HarvestCheck.h"
#include "PageProtector.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillveil {

/// What protecting a page's bytes came to.
struct ProtectedPageBytes {
    /// As ProtectPage has it, of the bytes: changes and the problem at offsets into them,
    /// lines and columns counting characters (a byte order mark is not one); when Changed,
    /// `text` is the protected page in its own encoding. A page left alone for its encoding
    /// is Unreadable with the problem kind InvalidUtf8.
    ProtectedPage page;
    /// The encoding it was read in, as the encoding standard names it ("Shift_JIS"), or the
    /// label it declares when it was left alone for that.
    std::string encoding;
    /// For Unreadable: why, in words ("not valid Shift_JIS").
    std::string problem;
    /// What each change rewrites, as UTF-8.
    std::vector<std::string> changedText;
};

/// Protects a page as ProtectPage does, read in the encoding browsers find for it: a byte
/// order mark, else a meta declaration within its first 1,024 bytes, else UTF-8 if it is
/// valid UTF-8, else windows-1252. Only the bytes of the ASCII characters that ProtectPage
/// writes as references change; every other byte stays. A page whose protected bytes would not
/// decode to ProtectPage's text, or would be read in another encoding, is left alone; so is one
/// in an encoding browsers do not read, in UTF-16 without a byte order mark, undeclared but
/// holding ISO-2022 escape sequences, or not valid in its encoding.
ProtectedPageBytes ProtectPageBytes(std::string_view bytes);

/// FindHarvestable of a page read in the encoding browsers find for it (as ProtectPageBytes),
/// at offsets into its bytes. Bytes not valid in it read as U+FFFD. A page in an encoding
/// browsers do not read is checked as its bytes stand; one in UTF-16 without a byte order
/// mark is read as UTF-16, its findings placed as Unread.
std::vector<HarvestFinding> FindHarvestableBytes(std::string_view bytes);

} // namespace quillveil
