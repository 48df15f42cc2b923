#include "principal/animacionojos.h"

namespace {

constexpr int kTicsReposo = 26;
constexpr int kTicsParpadeo = 2;
constexpr int kTicsMirada = 5;
// After a glance the next event comes sooner: only the last ticks of the idle span remain.
constexpr int kContadorTrasMirada = 18;
constexpr int kUmbralParpadeo = 29;

} // namespace

TAnimacionOjos::TAnimacionOjos(std::mt19937::result_type semilla) : azar_(semilla) {}

void TAnimacionOjos::Reiniciar() {
    cara_ = TCaraOjos::Abiertos;
    fase_ = TFase::Reposo;
    contador_ = 0;
}

bool TAnimacionOjos::Paso() {
    ++contador_;
    switch (fase_) {
    case TFase::Reposo:
        if (contador_ < kTicsReposo)
            return false;
        if (Aleatorio(0, 99) > kUmbralParpadeo) {
            Cambiar(TCaraOjos::Cerrados, TFase::Parpadeo, 0);
        } else {
            lado_ = !lado_;
            Cambiar(lado_ ? TCaraOjos::MiraUnLado : TCaraOjos::MiraOtroLado, TFase::Mirada, 0);
        }
        return true;
    case TFase::Parpadeo:
        if (contador_ < kTicsParpadeo)
            return false;
        Cambiar(TCaraOjos::Abiertos, TFase::Reposo, 0);
        return true;
    case TFase::Mirada:
        if (contador_ < kTicsMirada)
            return false;
        Cambiar(TCaraOjos::Abiertos, TFase::Reposo, kContadorTrasMirada);
        return true;
    }
    return false;
}

void TAnimacionOjos::Cambiar(TCaraOjos cara, TFase fase, int contador) {
    cara_ = cara;
    fase_ = fase;
    contador_ = contador;
    intervalo_ = 80 + Aleatorio(0, 39);
}

int TAnimacionOjos::Aleatorio(int desde, int hasta) {
    return std::uniform_int_distribution<int>(desde, hasta)(azar_);
}
