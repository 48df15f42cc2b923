#include "principal/animacionojos.h"

namespace {

constexpr int kTicsReposo = 26;
constexpr int kTicsParpadeo = 2;
constexpr int kTicsMirada = 5;
// After a glance the next event comes sooner: only the last ticks of the idle span remain.
constexpr int kContadorTrasMirada = 18;
constexpr int kUmbralParpadeo = 29;

} // namespace

TAnimacionOjos::TAnimacionOjos(std::mt19937::result_type semilla) : FAzar(semilla) {}

void TAnimacionOjos::Reiniciar() {
    FCara = TCaraOjos::Abiertos;
    FFase = TFase::Reposo;
    FContador = 0;
}

bool TAnimacionOjos::Paso() {
    ++FContador;
    switch (FFase) {
    case TFase::Reposo:
        if (FContador < kTicsReposo)
            return false;
        if (Aleatorio(0, 99) > kUmbralParpadeo) {
            Cambiar(TCaraOjos::Cerrados, TFase::Parpadeo, 0);
        } else {
            FLado = !FLado;
            Cambiar(FLado ? TCaraOjos::MiraUnLado : TCaraOjos::MiraOtroLado, TFase::Mirada, 0);
        }
        return true;
    case TFase::Parpadeo:
        if (FContador < kTicsParpadeo)
            return false;
        Cambiar(TCaraOjos::Abiertos, TFase::Reposo, 0);
        return true;
    case TFase::Mirada:
        if (FContador < kTicsMirada)
            return false;
        Cambiar(TCaraOjos::Abiertos, TFase::Reposo, kContadorTrasMirada);
        return true;
    }
    return false;
}

void TAnimacionOjos::Cambiar(TCaraOjos cara, TFase fase, int contador) {
    FCara = cara;
    FFase = fase;
    FContador = contador;
    FIntervalo = 80 + Aleatorio(0, 39);
}

int TAnimacionOjos::Aleatorio(int desde, int hasta) {
    return std::uniform_int_distribution<int>(desde, hasta)(FAzar);
}
