// One late-bound round trip through IDispatch, per call, against the same method called
// through the interface table: TimeInterval, SetColor and SetCheckInfo by DISPID, and
// GetIDsOfNames followed by Invoke, the way a script engine calls a method it has not cached.
#include "tools/bench/bench.h"

#include <functional>

#include "popup/notify_session.h"

namespace {
const int kBatch = 1000;

// Median per call of work, timed in batches of kBatch calls (the counter's own cost stays out).
double PerCall(int runs, const std::function<void()>& work)
{
    for (int i = 0; i < kBatch; ++i) work();
    std::vector<double> batches;
    for (int b = 0; b < runs; ++b) {
        const double t0 = NowMs();
        for (int i = 0; i < kBatch; ++i) work();
        batches.push_back((NowMs() - t0) / kBatch);
    }
    return Median(batches);
}

VARIANT UintArg(unsigned value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_UINT;
    v.uintVal = value;
    return v;
}
}  // namespace

void BenchInvoke(const BenchRuns& r)
{
    InitialNotifySession(&NotifySession);
    IAxObj* object = MakeNtfObj();
    if (!object)
        return;
    const int runs = r.Of(100);
    const std::string batches = "median of batches of 1000 calls";

    VARIANT delay[1] = {UintArg(9000)};
    DISPPARAMS delayArgs = {delay, nullptr, 1, 0};
    VARIANT colours[5] = {UintArg(0), UintArg(0x0000), UintArg(0x6BBF), UintArg(0x7FFF),
                          UintArg(0x56BF)};
    DISPPARAMS colourArgs = {colours, nullptr, 5, 0};
    BSTR list = SysAllocString(L"Remember|Install tonight|Never ask again");
    VARIANT checkArgs[2];
    VariantInit(&checkArgs[0]);
    VariantInit(&checkArgs[1]);
    checkArgs[0].vt = VT_I2;
    checkArgs[0].iVal = 1;
    checkArgs[1].vt = VT_BSTR;
    checkArgs[1].bstrVal = list;
    DISPPARAMS checkDispArgs = {checkArgs, nullptr, 2, 0};
    VARIANT result;
    VariantInit(&result);

    const double direct = PerCall(runs, [&] { object->TimeInterval(9000); });
    PrintRow("`TimeInterval` through the interface table", Ns(direct), runs, batches);
    const double timeInterval = PerCall(runs, [&] {
        object->Invoke(NTF_DISPID_TIMEINTERVAL, IID_NULL, 0, DISPATCH_METHOD, &delayArgs, nullptr,
                       nullptr, nullptr);
    });
    PrintRow("`Invoke` of `TimeInterval` (DISPID 5, one VT_UINT)", Ns(timeInterval), runs, batches);
    const double setColor = PerCall(runs, [&] {
        object->Invoke(NTF_DISPID_SETCOLOR, IID_NULL, 0, DISPATCH_METHOD, &colourArgs, nullptr,
                       nullptr, nullptr);
    });
    PrintRow("`Invoke` of `SetColor` (DISPID 6, five VT_UINT)", Ns(setColor), runs, batches);
    const double setCheck = PerCall(runs, [&] {
        object->Invoke(NTF_DISPID_SETCHECKINFO, IID_NULL, 0, DISPATCH_METHOD, &checkDispArgs,
                       &result, nullptr, nullptr);
    });
    PrintRow("`Invoke` of `SetCheckInfo` (a 40-character VT_BSTR list, VT_I2 mask, VT_I2 result)",
             Ns(setCheck), runs, batches + "; includes the conversion to code page 936");

    // A script engine without a cached DISPID looks the name up before every call.
    OLECHAR name[] = L"SetColor";
    LPOLESTR names[1] = {name};
    const double byName = PerCall(runs, [&] {
        DISPID id = 0;
        object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &colourArgs, nullptr, nullptr, nullptr);
    });
    PrintRow("`GetIDsOfNames(\"SetColor\")` then `Invoke`", Ns(byName), runs, batches);

    SysFreeString(list);
    object->Release();
    InitialNotifySession(&NotifySession);
}
