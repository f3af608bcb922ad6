#include "option_reader.h"

namespace vesk_host {

bool OptionReader::next()
{
    if (index_ >= arguments_.size())
        return false;
    argument_ = arguments_[index_++];
    attached_.reset();
    const auto equals = argument_.find('=');
    if (argument_.rfind("--", 0) == 0 && equals != std::string::npos) {
        attached_ = argument_.substr(equals + 1);
        argument_.resize(equals);
    }
    return true;
}

std::optional<std::string> OptionReader::value()
{
    if (attached_)
        return attached_;
    if (index_ < arguments_.size())
        return arguments_[index_++];
    return std::nullopt;
}

} // namespace vesk_host
