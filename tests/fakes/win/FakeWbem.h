#pragma once
// Hand-written WBEM objects that drive ComWmiSource without WMI. Every step
// can be told to fail, the arguments of each call are kept, and every object
// counts its references so a test can check that all were released. The
// objects belong to the test: Release only counts, it never frees.

#include <windows.h>

#include <oleauto.h>
#include <wbemcli.h>

#include <cstddef>
#include <string>
#include <vector>

namespace velmora::fakes::win {

template <typename Interface>
class CountedComObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
            AddRef();
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++References); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--References); }

    long References = 0;  // references handed out and not yet released
};

struct FakeProperty {
    std::wstring Name;
    VARTYPE Type = VT_I4;  // VT_I4, VT_BSTR or VT_NULL
    LONG Number = 0;
    std::wstring Text;
};

class FakeClassObject final : public CountedComObject<IWbemClassObject> {
public:
    std::vector<std::wstring> Names;  // what GetNames lists
    std::vector<FakeProperty> Properties;
    HRESULT GetNamesResult = S_OK;
    std::wstring FailingProperty;  // Get of this name fails
    LONG GetNamesFlags = -1;
    bool GetNamesArgumentsWereNull = false;
    std::vector<std::wstring> PropertiesRead;

    HRESULT STDMETHODCALLTYPE GetNames(LPCWSTR qualifierName, LONG flags, VARIANT* qualifierValue,
                                       SAFEARRAY** names) override {
        GetNamesFlags = flags;
        GetNamesArgumentsWereNull = qualifierName == nullptr && qualifierValue == nullptr;
        if (FAILED(GetNamesResult)) return GetNamesResult;
        SAFEARRAY* array = ::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(Names.size()));
        if (!array) return E_OUTOFMEMORY;
        for (LONG i = 0; i < static_cast<LONG>(Names.size()); ++i) {
            BSTR name = ::SysAllocString(Names[static_cast<std::size_t>(i)].c_str());
            ::SafeArrayPutElement(array, &i, name);  // copies the string
            ::SysFreeString(name);
        }
        *names = array;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE*, LONG*) override {
        PropertiesRead.emplace_back(name);
        if (FailingProperty == name) return WBEM_E_NOT_FOUND;
        for (const auto& property : Properties) {
            if (property.Name != name) continue;
            V_VT(value) = property.Type;
            if (property.Type == VT_I4) V_I4(value) = property.Number;
            if (property.Type == VT_BSTR) V_BSTR(value) = ::SysAllocString(property.Text.c_str());
            return S_OK;
        }
        return WBEM_E_NOT_FOUND;
    }

    HRESULT STDMETHODCALLTYPE GetQualifierSet(IWbemQualifierSet**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Put(LPCWSTR, LONG, VARIANT*, CIMTYPE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Delete(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndEnumeration() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObjectText(LONG, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SpawnDerivedClass(LONG, IWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SpawnInstance(LONG, IWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CompareTo(LONG, IWbemClassObject*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyOrigin(LPCWSTR, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InheritsFrom(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR, LONG, IWbemClassObject**, IWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutMethod(LPCWSTR, LONG, IWbemClassObject*, IWbemClassObject*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteMethod(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginMethodEnumeration(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NextMethod(LONG, BSTR*, IWbemClassObject**, IWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndMethodEnumeration() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethodOrigin(LPCWSTR, BSTR*) override { return E_NOTIMPL; }
};

class FakeEnumerator final : public CountedComObject<IEnumWbemClassObject> {
public:
    std::vector<IWbemClassObject*> Objects;
    HRESULT ResetResult = S_OK;
    HRESULT FirstNextResult = S_OK;  // anything else is returned by the first Next, with no object
    HRESULT LaterNextFailure = S_OK;  // a failure returned once the objects run out, instead of WBEM_S_FALSE
    int NextCalls = 0;
    LONG LastTimeout = 0;

    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return ResetResult;
    }

    HRESULT STDMETHODCALLTYPE Next(LONG timeout, ULONG count, IWbemClassObject** objects, ULONG* returned) override {
        ++NextCalls;
        LastTimeout = timeout;
        *returned = 0;
        if (count != 1) return WBEM_E_INVALID_PARAMETER;
        if (NextCalls == 1 && FirstNextResult != S_OK) return FirstNextResult;
        if (position_ >= Objects.size()) return FAILED(LaterNextFailure) ? LaterNextFailure : static_cast<HRESULT>(WBEM_S_FALSE);
        objects[0] = Objects[position_++];
        objects[0]->AddRef();
        *returned = 1;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Skip(LONG, ULONG) override { return E_NOTIMPL; }

private:
    std::size_t position_ = 0;
};

class FakeServices final : public CountedComObject<IWbemServices> {
public:
    IEnumWbemClassObject* Enumerator = nullptr;
    HRESULT ExecQueryResult = S_OK;
    std::wstring Language;
    std::wstring Query;
    LONG QueryFlags = -1;
    bool QueryContextWasNull = false;

    HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR language, const BSTR query, LONG flags, IWbemContext* context,
                                        IEnumWbemClassObject** enumerator) override {
        Language = language ? language : L"";
        Query = query ? query : L"";
        QueryFlags = flags;
        QueryContextWasNull = context == nullptr;
        if (FAILED(ExecQueryResult)) return ExecQueryResult;
        Enumerator->AddRef();
        *enumerator = Enumerator;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices**, IWbemCallResult**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CancelAsyncCall(IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryObjectSink(LONG, IWbemObjectSink**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObject(const BSTR, LONG, IWbemContext*, IWbemClassObject**, IWbemCallResult**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObjectAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutClass(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutClassAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteClass(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteClassAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateClassEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateClassEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutInstance(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteInstance(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteInstanceAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ExecMethod(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*, IWbemClassObject**, IWbemCallResult**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*, IWbemObjectSink*) override { return E_NOTIMPL; }
};

class FakeLocator final : public CountedComObject<IWbemLocator> {
public:
    IWbemServices* Services = nullptr;
    HRESULT ConnectResult = S_OK;
    std::wstring Resource;
    LONG SecurityFlags = -1;
    bool OtherArgumentsWereNull = false;

    HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR resource, const BSTR user, const BSTR password,
                                            const BSTR locale, LONG securityFlags, const BSTR authority,
                                            IWbemContext* context, IWbemServices** services) override {
        Resource = resource ? resource : L"";
        SecurityFlags = securityFlags;
        OtherArgumentsWereNull = !user && !password && !locale && !authority && !context;
        if (FAILED(ConnectResult)) return ConnectResult;
        Services->AddRef();
        *services = Services;
        return S_OK;
    }
};

// One locator, services, enumerator and objects wired together.
struct FakeWbem {
    FakeLocator Locator;
    FakeServices Services;
    FakeEnumerator Enumerator;
    std::vector<FakeClassObject> Objects;

    explicit FakeWbem(std::size_t objectCount) : Objects(objectCount) {
        Locator.Services = &Services;
        Services.Enumerator = &Enumerator;
        for (auto& object : Objects) Enumerator.Objects.push_back(&object);
    }
    FakeWbem(const FakeWbem&) = delete;
    FakeWbem& operator=(const FakeWbem&) = delete;

    // Hands out the locator as the factory would.
    HRESULT CreateLocator(IWbemLocator** locator) {
        Locator.AddRef();
        *locator = &Locator;
        return S_OK;
    }

    [[nodiscard]] long OutstandingReferences() const {
        long total = Locator.References + Services.References + Enumerator.References;
        for (const auto& object : Objects) total += object.References;
        return total;
    }
};

}  // namespace velmora::fakes::win
