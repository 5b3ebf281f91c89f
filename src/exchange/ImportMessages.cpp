#include "exchange/ImportMessages.h"

namespace Tarnwick::Import {

StringServiceProvider::PlainString DescribeImportFailure(const Utilities::Exceptions::Exception& failure) {
    const std::u16string_view message = failure.GetMessage().View();
    const std::u16string_view target = failure.GetTarget().View();
    std::u16string_view text = message;
    if (message == u"imp" || message == u"att") {
        text = kNotWellFormedMessage;
    } else if (message == u"null") {
        text = kOutsideEntryMessage;
    } else if (message == u"nof" || message == u"nop" || message == u"nomp") {
        text = kUnknownGroupMessage;
    } else if (message == u"dtd") {
        text = kDtdMessage;
    } else if (message == u"open" || target == u"XmlBase::OpenDocument" || target == u"XmlBase::CreateReader") {
        text = kCannotOpenMessage;
    } else if (message == u"read") {
        text = kCannotReadMessage;
    } else if (message.empty()) {
        text = kImportErrorMessage;
    }
    return StringServiceProvider::PlainString(text);
}

} // namespace Tarnwick::Import
