#pragma once

#include <algorithm>
#include <compare>
#include <cstddef>
#include <deque>
#include <iterator>
#include <stdexcept>
#include <utility>

// How the layout after a stretch laid out again moves: down by Dy pixels, its pieces,
// jump areas and marks renumbered by as many as the stretch gained.
struct TDesplazamiento {
    int Dy = 0;
    int Piezas = 0;
    int Saltos = 0;
    int Marcas = 0;

    TDesplazamiento operator-() const { return {-Dy, -Piezas, -Saltos, -Marcas}; }
    TDesplazamiento& operator+=(const TDesplazamiento& otro) {
        Dy += otro.Dy;
        Piezas += otro.Piezas;
        Saltos += otro.Saltos;
        Marcas += otro.Marcas;
        return *this;
    }
};

// A sequence split at a cut: the elements after it are kept as they were before a shift
// that is still pending and readers see them shifted. So a stretch is replaced and all
// that follows it moved for the cost of the stretch and of bringing the cut there, one
// element at a time; a layout that goes on in document order keeps the cut where it works,
// and when nothing follows the cut it goes back from the top if that is nearer, so a
// layout that starts again from the top finds it there at no cost. Appending and replacing
// the end never move it. Each element type provides Desplazar(T&, const TDesplazamiento&).
template <typename T> class TSecuenciaDiferida {
public:
    // Reading yields shifted copies.
    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using reference = T;
        struct pointer {
            T Valor;
            const T* operator->() const { return &Valor; }
        };

        const_iterator() = default;
        const_iterator(const TSecuenciaDiferida* secuencia, difference_type indice)
            : secuencia_(secuencia), indice_(indice) {}

        T operator*() const { return (*secuencia_)[indice_]; }
        pointer operator->() const { return {**this}; }
        T operator[](difference_type n) const { return (*secuencia_)[indice_ + n]; }
        const_iterator& operator++() { return *this += 1; }
        const_iterator& operator--() { return *this -= 1; }
        const_iterator operator++(int) { return std::exchange(*this, *this + 1); }
        const_iterator operator--(int) { return std::exchange(*this, *this - 1); }
        const_iterator& operator+=(difference_type n) {
            indice_ += n;
            return *this;
        }
        const_iterator& operator-=(difference_type n) { return *this += -n; }
        friend const_iterator operator+(const_iterator i, difference_type n) { return i += n; }
        friend const_iterator operator+(difference_type n, const_iterator i) { return i += n; }
        friend const_iterator operator-(const_iterator i, difference_type n) { return i -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
            return a.indice_ - b.indice_;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) {
            return a.indice_ == b.indice_;
        }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b) {
            return a.indice_ <=> b.indice_;
        }

    private:
        const TSecuenciaDiferida* secuencia_ = nullptr;
        difference_type indice_ = 0;
    };
    using value_type = T;
    using size_type = std::size_t;
    using iterator = const_iterator;

    size_t size() const { return antes_.size() + despues_.size(); }
    bool empty() const { return size() == 0; }
    T operator[](size_t i) const {
        if (i < antes_.size())
            return antes_[i];
        T elemento = despues_[i - antes_.size()];
        Desplazar(elemento, pendiente_);
        return elemento;
    }
    T at(size_t i) const {
        if (i >= size())
            throw std::out_of_range("TSecuenciaDiferida::at");
        return (*this)[i];
    }
    T front() const { return (*this)[0]; }
    T back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, std::ptrdiff_t(size())}; }
    friend bool operator==(const TSecuenciaDiferida& a, const TSecuenciaDiferida& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

    void Poner(size_t i, T elemento) {
        if (i < antes_.size()) {
            antes_[i] = std::move(elemento);
            return;
        }
        Desplazar(elemento, -pendiente_);
        despues_[i - antes_.size()] = std::move(elemento);
    }
    void Agregar(T elemento) {
        if (despues_.empty()) {
            antes_.push_back(std::move(elemento));
            return;
        }
        Desplazar(elemento, -pendiente_);
        despues_.push_back(std::move(elemento));
    }
    // Puts nuevos in place of [desde, hasta); what follows keeps its values. Replacing
    // the end leaves the cut where it is.
    void Reemplazar(size_t desde, size_t hasta, const TSecuenciaDiferida& nuevos) {
        if (hasta == size()) {
            Recortar(desde);
            for (T elemento : nuevos)
                Agregar(std::move(elemento));
            return;
        }
        MoverCorte(desde);
        despues_.erase(despues_.begin(), despues_.begin() + std::ptrdiff_t(hasta - desde));
        antes_.insert(antes_.end(), nuevos.begin(), nuevos.end());
    }
    // Shifts the elements from desde on.
    void DesplazarDesde(size_t desde, const TDesplazamiento& desplazamiento) {
        if (desde == size())
            return;
        MoverCorte(desde);
        pendiente_ += desplazamiento;
    }
    void Vaciar() {
        antes_.clear();
        despues_.clear();
        pendiente_ = {};
    }

private:
    void MoverCorte(size_t corte) {
        // After a layout to the end, the next one starts from the top again.
        if (despues_.empty() && corte < antes_.size() - corte)
            std::swap(antes_, despues_);
        while (antes_.size() < corte) {
            T elemento = std::move(despues_.front());
            despues_.pop_front();
            Desplazar(elemento, pendiente_);
            antes_.push_back(std::move(elemento));
        }
        while (antes_.size() > corte) {
            T elemento = std::move(antes_.back());
            antes_.pop_back();
            Desplazar(elemento, -pendiente_);
            despues_.push_front(std::move(elemento));
        }
        OlvidarSiVacio();
    }
    void Recortar(size_t largo) {
        if (largo <= antes_.size()) {
            antes_.resize(largo);
            despues_.clear();
        } else {
            despues_.erase(despues_.begin() + std::ptrdiff_t(largo - antes_.size()),
                           despues_.end());
        }
        OlvidarSiVacio();
    }
    // No shift is pending over nothing: an empty part after the cut takes elements as
    // they are.
    void OlvidarSiVacio() {
        if (despues_.empty())
            pendiente_ = {};
    }

    std::deque<T> antes_;
    std::deque<T> despues_;
    TDesplazamiento pendiente_;
};
