#include "common/win/ComWmiSource.h"

#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "common/WmiTable.h"
#include "common/win/Bstr.h"
#include "common/win/ComPtr.h"
#include "common/win/SafeArray.h"
#include "common/win/SafeArrayAccess.h"
#include "common/win/Variant.h"
#include "common/win/VariantConversion.h"

namespace velmora::win {

namespace {

constexpr CLSID kWbemAdministrativeLocator = {
    0xcb8555cc, 0x9128, 0x11d1, {0xad, 0x9b, 0x00, 0xc0, 0x4f, 0xd8, 0xfd, 0xff}};
// In-process or local server.
constexpr DWORD kLocatorContext = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;
static_assert(kLocatorContext == 5);
// Return immediately: the enumerator is walked with blocking Next calls.
constexpr LONG kQueryFlags = WBEM_FLAG_RETURN_IMMEDIATELY;
static_assert(kQueryFlags == 0x10);
// Non-system properties, local and propagated.
constexpr LONG kNameFlags = WBEM_FLAG_NONSYSTEM_ONLY | WBEM_FLAG_LOCAL_ONLY | WBEM_FLAG_PROPAGATED_ONLY;
static_assert(kNameFlags == 0x70);

// Next for one object; true only when exactly one object came back.
bool NextObject(IEnumWbemClassObject& enumerator, ComPtr<IWbemClassObject>& object) {
    ULONG returned = 0;
    const HRESULT result = enumerator.Next(static_cast<LONG>(WBEM_INFINITE), 1, object.put(), &returned);
    return result == WBEM_S_NO_ERROR && returned == 1 && object;
}

// Appends every name of the first object's property-name array as a column.
[[nodiscard]] bool AddColumns(SAFEARRAY* names, WmiTable& table) {
    VARTYPE type = VT_EMPTY;
    ArrayBounds bounds;
    if (!OneDimensionalBounds(names, bounds) || FAILED(::SafeArrayGetVartype(names, &type)) || type != VT_BSTR ||
        ::SafeArrayGetElemsize(names) != sizeof(BSTR)) {
        return false;
    }
    SafeArrayAccess access(names);
    if (!access.Ok()) return false;
    const BSTR* elements = static_cast<const BSTR*>(access.Data());
    for (std::int64_t i = 0; i < bounds.Count; ++i) table.AddColumn(WmiVariant::Text(Bstr::Text(elements[i])));
    return true;
}

// One row for the current object, read with the table's column names.
[[nodiscard]] int AddObjectRow(IWbemClassObject& object, WmiTable& table) {
    table.AddRow();
    for (int column = 0; column < table.ColumnCount(); ++column) {
        WmiVariant name;
        if (table.GetColumnName(column, name) != 0 || !name.IsText()) return wmi_result::ColumnNameFailed;
        const std::wstring property(name.TextValue().begin(), name.TextValue().end());
        Variant value;
        if (FAILED(object.Get(property.c_str(), 0, value.put(), nullptr, nullptr))) return wmi_result::GetPropertyFailed;
        table.AppendToLastRow(ToWmiVariant(value.get()));
    }
    return wmi_result::Ok;
}

int RunQuery(IWbemLocator& locator, std::u16string_view nameSpace, std::u16string_view className, WmiTable& table) {
    ComPtr<IWbemServices> services;
    const Bstr resource(nameSpace);
    if (FAILED(locator.ConnectServer(resource.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.put())) ||
        !services) {
        return wmi_result::ConnectFailed;
    }

    ComPtr<IEnumWbemClassObject> enumerator;
    const Bstr language(u"WQL");
    const Bstr query(u"Select * from " + std::u16string(className));
    if (FAILED(services->ExecQuery(language.get(), query.get(), kQueryFlags, nullptr, enumerator.put())) ||
        !enumerator) {
        return wmi_result::QueryFailed;
    }
    if (FAILED(enumerator->Reset())) return wmi_result::ResetFailed;

    ComPtr<IWbemClassObject> object;
    if (!NextObject(*enumerator, object)) return wmi_result::NoObject;

    SafeArray names;
    if (FAILED(object->GetNames(nullptr, kNameFlags, nullptr, names.put())) || !AddColumns(names.get(), table))
        return wmi_result::GetNamesFailed;
    names.reset();

    do {
        if (const int result = AddObjectRow(*object, table); result != wmi_result::Ok) return result;
    } while (NextObject(*enumerator, object));
    return wmi_result::Ok;
}

}  // namespace

HRESULT CreateAdministrativeLocator(IWbemLocator** locator) noexcept {
    return ::CoCreateInstance(kWbemAdministrativeLocator, nullptr, kLocatorContext, IID_IWbemLocator,
                              reinterpret_cast<void**>(locator));
}

ComWmiSource::ComWmiSource() : createLocator_(CreateAdministrativeLocator) {}

ComWmiSource::ComWmiSource(WbemLocatorFactory createLocator) : createLocator_(std::move(createLocator)) {}

int ComWmiSource::Execute(std::u16string_view nameSpace, std::u16string_view className, WmiTable& table) {
    try {
        ComPtr<IWbemLocator> locator;
        if (!createLocator_ || FAILED(createLocator_(locator.put())) || !locator) return wmi_result::LocatorFailed;
        return RunQuery(*locator, nameSpace, className, table);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(kOutOfMemoryText);
    }
}

}  // namespace velmora::win
