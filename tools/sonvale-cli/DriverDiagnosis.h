#pragma once
#include <array>
#include <string>

#include "vorn/VornAsync.h"

class CDeviceSurvey;

// Why the command line cannot reach a console through the Vorn driver, told apart so that the user
// learns what to do: the driver module is missing, no JACK server runs, or the server runs but no
// device offers a "Tarn" pair. The program's own transport reports all of these as one result code;
// the driver's creation result tells the first two apart.
class CDriverDiagnosis {
public:
    enum class Cause { Ready, NoModule, NoServer, Refused };

    // Creates the driver object as the transport does (its current class, else its older one). Null
    // and the cause when it cannot be had. The calling thread must have initialised the component runtime.
    [[nodiscard]] static IVornAsync* CreateDriver(Cause& cause);
    // Why the driver object could not be had, from what each class's creation returned; Ready when
    // none failed.
    [[nodiscard]] static Cause CauseOf(const std::array<HRESULT, 2>& failures);
    // Why a driver object gave no device list: its failure code told apart.
    [[nodiscard]] static Cause CauseOfListFailure(HRESULT failure);
    // What the user sees for a cause other than Ready: what is wrong and what to do about it.
    [[nodiscard]] static std::string Advice(Cause cause);
    // What the user sees when the server runs but no console can be reached: the devices whose "Tarn"
    // ports refuse connections, else that no device offers a "Tarn" pair and how to tag one.
    [[nodiscard]] static std::string NoConsoleAdvice(const CDeviceSurvey& survey);
    // The same after surveying the network afresh.
    [[nodiscard]] static std::string NoConsoleAdvice();
};
