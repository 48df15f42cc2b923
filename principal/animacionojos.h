#pragma once

#include <random>

// The about box's face: which picture is in front.
enum class TCaraOjos { Abiertos, Cerrados, MiraUnLado, MiraOtroLado };

// Steps of the blinking and glancing eyes, one per timer tick.
class TAnimacionOjos {
public:
    static constexpr int kIntervaloInicial = 100;

    explicit TAnimacionOjos(std::mt19937::result_type semilla = std::random_device{}());

    // Open eyes, idle, counter at zero; the glance side is kept.
    void Reiniciar();
    // One tick. True when the picture changed; then Intervalo() holds the next delay.
    bool Paso();

    TCaraOjos Cara() const { return cara_; }
    int Intervalo() const { return intervalo_; }
    int Contador() const { return contador_; }

private:
    enum class TFase { Reposo, Parpadeo, Mirada };

    void Cambiar(TCaraOjos cara, TFase fase, int contador);
    int Aleatorio(int desde, int hasta);

    std::mt19937 azar_;
    TCaraOjos cara_ = TCaraOjos::Abiertos;
    TFase fase_ = TFase::Reposo;
    int contador_ = 0;
    bool lado_ = false;
    int intervalo_ = kIntervaloInicial;
};
