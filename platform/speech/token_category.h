// SpObjectTokenCategory: the voice category and the enumeration of its tokens.
#pragma once

#include <varnel/com_object.h>
#include <sapi.h>

#include <mutex>
#include <string>

namespace speech {

class TokenCategory final : public ComObject<ISpObjectTokenCategory> {
public:
    TokenCategory() = default;

    STDMETHOD(GetStringValue)(LPCWSTR valueName, LPWSTR* value) override;
    STDMETHOD(SetId)(LPCWSTR categoryId, BOOL createIfNotExist) override;
    STDMETHOD(GetId)(LPWSTR* categoryId) override;
    STDMETHOD(EnumTokens)(LPCWSTR requiredAttributes, LPCWSTR optionalAttributes,
                          IEnumSpObjectTokens** tokens) override;

private:
    std::mutex mutex_;
    std::u16string id_;  // empty until SetId succeeds
};

}  // namespace speech
