#include "apoyo/nodoprueba.h"
#include "apoyo/ventanachatfalsa.h"
#include "chat/salaschat.h"
#include "core/codificacion.h"

#include <QTest>

namespace {

const QString kServidor = QStringLiteral("<<<SERVER>>>|");
// Our own text colour, for lines whose colour cannot be read.
constexpr quint32 kColorPropio = 0x123456;

// A core with its rooms and a recording chat window.
struct TNodoChat {
    TNodoChat(int n, const QString& nick) : Nodo(n, nick), Salas(Nodo.M(), Ventana) {}

    QString IP() const { return Nodo.IP(); }
    TInterfazFalsa& Interfaz() { return Nodo.Interfaz; }
    QStringList Clientes(int id) const {
        for (const TServerChat& sala : Salas.Servidas()) {
            if (sala.IdChat == id)
                return sala.Clientes;
        }
        return {QStringLiteral("(no la hospeda)")};
    }
    QString Host(int id) const {
        for (const TClientChat& sala : Salas.Unidas()) {
            if (sala.IdChat == id)
                return sala.Host;
        }
        return QStringLiteral("(no es invitado)");
    }

    TNodoPrueba Nodo;
    TVentanaChatFalsa Ventana;
    TSalasChat Salas;
};

// Every node knows every other by its nick; all up and connected. They start one after
// the other, so that no two connections cross.
void ConectarTodos(const std::vector<TNodoChat*>& nodos) {
    for (TNodoChat* a : nodos) {
        for (TNodoChat* b : nodos) {
            if (a != b)
                a->Nodo.Conoce(b->Nodo, b->Nodo.M().Config().Nick);
        }
    }
    for (std::size_t i = 0; i < nodos.size(); ++i) {
        nodos[i]->Nodo.Arrancar();
        for (std::size_t j = 0; j < i; ++j)
            QTRY_VERIFY(nodos[i]->Nodo.Conectado(nodos[j]->IP()) && nodos[j]->Nodo.Conectado(nodos[i]->IP()));
    }
}

// The host offers a new room to the contact, who accepts; 0 when it did not come about.
int AbrirSala(TNodoChat& host, TNodoChat& invitado) {
    host.Salas.EmpezarChat(invitado.IP());
    if (host.Salas.Pendientes().empty())
        return 0;
    const int id = host.Salas.Pendientes().back();
    return QTest::qWaitFor([&] { return invitado.Salas.EsInvitadoDeChat(id); }) ? id : 0;
}

bool Unir(TNodoChat& invitador, TNodoChat& invitado, int id) {
    invitador.Salas.InvitarAChat(id, invitado.IP());
    const QString linea = kServidor + invitado.Nodo.M().Config().Nick + u" se une al Chat";
    return QTest::qWaitFor([&] { return invitado.Ventana.Textos(id).contains(linea); });
}

// Each speaker says one line; every other node shows it exactly once.
void Hablan(const std::vector<TNodoChat*>& nodos, int id) {
    static int ronda = 0;
    const QString hola = QStringLiteral("hola %1 de ").arg(++ronda);
    for (TNodoChat* habla : nodos) {
        const QString nick = habla->Nodo.M().Config().Nick;
        habla->Salas.EnviarLineaChat(id, hola + nick);
    }
    QTest::qWait(200);
    for (TNodoChat* habla : nodos) {
        const QString nick = habla->Nodo.M().Config().Nick;
        for (TNodoChat* oye : nodos) {
            if (oye != habla)
                QTRY_COMPARE(oye->Ventana.Textos(id).count(nick + u'|' + hola + nick), 1);
        }
    }
}

QByteArray Con(QByteArray plantilla, int id) {
    return plantilla.replace("OTRO", Numero(id % 999999 + 1)).replace("ID", Numero(id));
}

// A core "Hugo" and raw peers Ana, Bea and Cris that it knows and has greeted.
struct TConCrudos {
    TConCrudos() : H(11, QStringLiteral("Hugo")) {
        const QString nicks[] = {QStringLiteral("Ana"), QStringLiteral("Bea"), QStringLiteral("Cris")};
        for (int i = 0; i < 3; ++i)
            H.Nodo.M().AnadirContacto(nicks[i], Crudos[i]->Ip, {}, false, true);
        H.Nodo.Arrancar();
        for (TPeerCrudo* crudo : Crudos) {
            crudo->ConectarA(H.IP());
            crudo->EsperarMensajes(2);
        }
        for (TPeerCrudo* crudo : Crudos) {
            (void)QTest::qWaitFor([&] { return H.Nodo.Conectado(crudo->Ip); });
            crudo->Recibido.clear();
        }
    }

    // Sends and returns once the core has handled it: its answer to "NICK?" comes after.
    void Enviar(TPeerCrudo& crudo, const QByteArray& mensaje) {
        const QByteArray marca = "NICK:Hugo" + QByteArray(1, kBel);
        crudo.Enviar(mensaje + kBel + "NICK?" + kBel);
        (void)QTest::qWaitFor([&] { return crudo.Recibido.contains(marca); });
        crudo.Recibido.replace(marca, "");
    }

    // Hugo hosts a room whose guests join in the order given.
    int Hospedar(const std::vector<TPeerCrudo*>& invitados) {
        H.Salas.EmpezarChat(invitados[0]->Ip);
        const int id = H.Salas.Pendientes().back();
        for (std::size_t i = 0; i < invitados.size(); ++i) {
            if (i > 0)
                H.Salas.InvitarAChat(id, invitados[i]->Ip);
            Enviar(*invitados[i], "PIDE_JOINCHAT:" + Numero(id));
        }
        QTest::qWait(100);
        for (TPeerCrudo* crudo : Crudos)
            crudo->Recibido.clear();
        H.Ventana.Lineas.clear();
        return id;
    }

    TNodoChat H;
    TPeerCrudo A{21}, B{22}, C{23};
    TPeerCrudo* Crudos[3] = {&A, &B, &C};
};

QList<QByteArray> Mensajes(std::initializer_list<QByteArray> mensajes) { return mensajes; }

} // namespace

class TstSalasChat : public QObject {
    Q_OBJECT
private slots:
    void CuatroEnUnaSalaYDosTraspasos() {
        TNodoChat a(11, QStringLiteral("Ana")), b(12, QStringLiteral("Bea")),
            c(13, QStringLiteral("Cris")), d(14, QStringLiteral("Dani"));
        ConectarTodos({&a, &b, &c, &d});
        const int id = AbrirSala(a, b);
        QVERIFY(id);
        QVERIFY(Unir(a, c, id));
        QVERIFY(Unir(b, d, id));  // a guest invites: the request goes to the host
        QCOMPARE(a.Clientes(id), (QStringList{b.IP(), c.IP(), d.IP()}));
        QCOMPARE(d.Host(id), a.IP());
        Hablan({&a, &b, &c, &d}, id);

        a.Salas.AbandonarChat(id);
        QTRY_COMPARE(b.Clientes(id), (QStringList{c.IP(), d.IP()}));
        QTRY_VERIFY(c.Host(id) == b.IP() && d.Host(id) == b.IP());
        for (TNodoChat* nodo : {&b, &c, &d})
            QTRY_VERIFY(nodo->Ventana.Textos(id).contains(kServidor + u"Ana pasa el control del Chat a Bea"));
        for (TNodoChat* nodo : {&b, &c, &d})
            QTRY_VERIFY(nodo->Ventana.Textos(id).contains(kServidor + u"Ana abandona el Chat"));
        Hablan({&b, &c, &d}, id);

        b.Salas.AbandonarChat(id);
        QTRY_COMPARE(c.Clientes(id), QStringList{d.IP()});
        QTRY_COMPARE(d.Host(id), c.IP());
        Hablan({&c, &d}, id);
        QVERIFY(a.Salas.Servidas().empty() && a.Salas.Unidas().empty());
        QVERIFY(b.Salas.Servidas().empty() && b.Salas.Unidas().empty());
    }

    void Invitaciones() {
        TNodoChat a(11, QStringLiteral("Ana")), b(12, QStringLiteral("Bea")), c(13, QStringLiteral("Cris"));
        a.Nodo.M().AnadirContacto(QStringLiteral("Apagado"), QStringLiteral("127.0.0.14"), {}, false, true);
        b.Nodo.M().Config().Sonidos.Chat_PreguntaJoin = QStringLiteral("invita.wav");
        ConectarTodos({&a, &b, &c});
        a.Salas.EmpezarChat(QStringLiteral("127.0.0.14"));
        QVERIFY(a.Salas.Pendientes().empty());
        const auto invitables = a.Salas.ContactosParaInvitar();
        QCOMPARE(invitables.size(), std::size_t(2));
        QCOMPARE(invitables[0].IP, b.IP());
        QCOMPARE(invitables[1].Nick, QStringLiteral("Cris"));

        const int id = AbrirSala(a, b);
        QVERIFY(id);
        QCOMPARE(b.Interfaz().Preguntas.size(), std::size_t(1));
        QCOMPARE(b.Interfaz().Preguntas[0].Titulo, QStringLiteral("Invitación de Chat"));
        QCOMPARE(CodificarCp1252(b.Interfaz().Preguntas[0].Texto),
                 QByteArray("\"Ana\" (127.0.0.11) le invita a unirse a una conversaci\xf3n\r\r\xbf"
                            "Acepta la invitaci\xf3n?"));
        QCOMPARE(b.Interfaz().Sonidos, QStringList{QStringLiteral("invita.wav")});
        for (TNodoChat* nodo : {&a, &b}) {
            QTRY_COMPARE(nodo->Ventana.Pestanas, std::vector<int>{id});
            QCOMPARE(nodo->Ventana.Titulos, QStringList{QStringLiteral("Chat")});
            QCOMPARE(nodo->Ventana.Mostrada, 1);
        }

        QVERIFY(Unir(b, c, id));
        QCOMPARE(CodificarCp1252(c.Interfaz().Preguntas.at(0).Texto),
                 QByteArray("\"Bea\" (127.0.0.12) le invita a unirse a una conversaci\xf3n\r"
                            "hospedada por \"Ana\" (127.0.0.11)\r\r\xbf"
                            "Acepta la invitaci\xf3n?"));
        QCOMPARE(c.Host(id), a.IP());
        const QStringList union_{kServidor + u"Cris se une al Chat"};
        QCOMPARE(c.Ventana.Textos(id), union_);
        QTRY_COMPARE(a.Ventana.Textos(id), union_);  // the first guest got no such line
        QTRY_COMPARE(b.Ventana.Textos(id), union_);
        // Who is in the room, as the tab's hint tells it: a guest knows only the host.
        QCOMPARE(a.Salas.DescripcionSala(id), QStringLiteral("Anfitrión: Ana\nInvitados: Bea, Cris"));
        QCOMPARE(c.Salas.DescripcionSala(id), QStringLiteral("Anfitrión: Ana"));
        QVERIFY(c.Salas.DescripcionSala(id + 1).isEmpty());

        // A second offer to the same contact is a second room.
        const int otra = AbrirSala(a, b);
        QVERIFY(otra && otra != id);
        // A host invited to its own room is asked like anybody else.
        b.Salas.InvitarAChat(id, a.IP());
        QTRY_COMPARE(a.Interfaz().Preguntas.size(), std::size_t(1));
        // A guest is not asked again.
        a.Salas.InvitarAChat(id, c.IP());
        QTest::qWait(200);
        QCOMPARE(c.Interfaz().Preguntas.size(), std::size_t(1));
    }

    void TraspasoEnElCable_data() {
        QTest::addColumn<int>("invitados");
        QTest::addColumn<int>("caido");
        QTest::addColumn<int>("sucesor");
        QTest::addColumn<QByteArray>("enruta");
        QTest::newRow("un invitado") << 1 << -1 << 0 << QByteArray("ID:");
        QTest::newRow("dos invitados") << 2 << -1 << 0 << QByteArray("ID:B");
        QTest::newRow("tres invitados") << 3 << -1 << 0 << QByteArray("ID:B,C");
        QTest::newRow("el primero se fue sin avisar") << 3 << 0 << 1 << QByteArray("ID:A,C");
        QTest::newRow("ninguno sigue conectado") << 1 << 0 << -1 << QByteArray();
    }

    void TraspasoEnElCable() {
        QFETCH(int, invitados);
        QFETCH(int, caido);
        QFETCH(int, sucesor);
        QFETCH(QByteArray, enruta);
        TConCrudos red;
        const std::vector<TPeerCrudo*> sala(red.Crudos, red.Crudos + invitados);
        const int id = red.Hospedar(sala);
        QCOMPARE(red.H.Clientes(id).size(), invitados);
        if (caido >= 0) {
            red.Crudos[caido]->Socket.abort();
            QTRY_VERIFY(!red.H.Nodo.Conectado(red.Crudos[caido]->Ip));
        }
        red.H.Salas.AbandonarChat(id);
        QTest::qWait(200);
        QVERIFY(red.H.Salas.Servidas().empty());
        if (sucesor < 0) {
            QVERIFY(red.H.Ventana.Lineas.empty());
            return;
        }
        const char* nicks[] = {"Ana", "Bea", "Cris"};
        const QByteArray linea = Con("CHATSRVMSG:ID:Hugo pasa el control del Chat a ", id) + nicks[sucesor];
        QCOMPARE(red.H.Ventana.Textos(id), QStringList{kServidor + QString::fromLatin1(linea.sliced(linea.indexOf("Hugo")))});
        enruta = Con(enruta, id).replace('A', "127.0.0.21").replace('B', "127.0.0.22").replace('C', "127.0.0.23");
        for (int i = 0; i < invitados; ++i) {
            if (i == caido)
                continue;
            const QList<QByteArray> esperados =
                i == sucesor ? Mensajes({linea, "ENROUTE_CHAT:" + enruta, Con("PART_CHAT:ID", id)})
                             : Mensajes({linea, Con("ROUTE_CHAT:ID:", id) + red.Crudos[sucesor]->Ip.toLatin1()});
            QCOMPARE(red.Crudos[i]->Mensajes(), esperados);
        }
        for (int i = invitados; i < 3; ++i)
            QVERIFY(red.Crudos[i]->Recibido.isEmpty());
    }

    void LineaRecibida_data() {
        QTest::addColumn<int>("emisor");
        QTest::addColumn<QByteArray>("carga");
        QTest::addColumn<bool>("forzar");
        QTest::addColumn<bool>("valida");
        QTest::addColumn<QString>("nick");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<quint32>("color");
        const auto valida = [](const char* nombre, const char* carga, const char* nick,
                               const QString& texto, quint32 color, bool forzar = false) {
            QTest::newRow(nombre) << 0 << QByteArray(carga) << forzar << true << QString::fromLatin1(nick)
                                  << texto << color;
        };
        valida("texto con dos puntos", "ID:255:Pepe:a: b:", "Pepe", QStringLiteral("a: b:"), 255);
        valida("nick con dos puntos se corta", "ID:255:Jo:se:hola", "Jo", QStringLiteral("se:hola"), 255);
        valida("color de 32 bits", "ID:4294967295:Pepe:x", "Pepe", QStringLiteral("x"), 0xFFFFFFFF);
        valida("color forzado", "ID:255:Pepe:x", "Pepe", QStringLiteral("x"), 0x880000, true);
        valida("texto en Windows-1252", "ID:0:Pepe:caf\xe9", "Pepe", QStringLiteral("café"), 0);
        valida("texto vacio", "ID:0:Pepe:", "Pepe", QString(), 0);
        valida("color de 33 bits", "ID:4294967296:Pepe:x", "Pepe", QStringLiteral("x"),
               kColorPropio);
        valida("color negativo", "ID:-1:Pepe:x", "Pepe", QStringLiteral("x"), kColorPropio);
        valida("color vacio", "ID::Pepe:x", "Pepe", QStringLiteral("x"), kColorPropio);
        valida("color con letras", "ID:12a:Pepe:x", "Pepe", QStringLiteral("x"), kColorPropio);
        valida("color ilegible forzado", "ID:x:Pepe:x", "Pepe", QStringLiteral("x"), 0x880000,
               true);
        const auto invalida = [](const char* nombre, const char* carga, int emisor = 0) {
            QTest::newRow(nombre) << emisor << QByteArray(carga) << false << false << QString()
                                  << QString() << 0u;
        };
        invalida("de quien no es invitado", "ID:255:Pepe:x", 2);
        invalida("sala que no hospeda", "OTRO:255:Pepe:x");
        invalida("id cero", "0:255:Pepe:x");
        invalida("id de siete cifras", "1000000:255:Pepe:x");
        invalida("id con signo", "+ID:255:Pepe:x");
        invalida("id con espacio", " ID:255:Pepe:x");
        invalida("sin dos puntos tras el nick", "ID:255:Pepe");
        invalida("sin dos puntos tras el id", "ID");
    }

    void LineaRecibida() {
        QFETCH(int, emisor);
        QFETCH(QByteArray, carga);
        QFETCH(bool, forzar);
        QFETCH(bool, valida);
        TConCrudos red;
        red.H.Nodo.M().Config().Chat.forzarColor = forzar;
        red.H.Nodo.M().Config().Chat.colorTexto = kColorPropio;
        const int id = red.Hospedar({&red.A, &red.B});
        carga = Con(carga, id);
        red.Enviar(*red.Crudos[emisor], "CHAT:" + carga);
        QTest::qWait(100);
        QVERIFY(red.A.Recibido.isEmpty());
        if (!valida) {
            QVERIFY(red.H.Ventana.Lineas.empty());
            QVERIFY(red.B.Recibido.isEmpty());
            return;
        }
        QCOMPARE(red.B.Mensajes(), QList<QByteArray>{"CHAT:" + carga});
        QCOMPARE(red.H.Ventana.Lineas.size(), std::size_t(1));
        const TVentanaChatFalsa::TLinea& linea = red.H.Ventana.Lineas[0];
        QCOMPARE(linea.IdChat, id);
        QTEST(linea.Nick, "nick");
        QTEST(linea.Texto, "texto");
        QTEST(linea.Color, "color");
    }

    // None of these may change a room, show a line or get an answer.
    void MensajeMalFormadoSeIgnora_data() {
        QTest::addColumn<QByteArray>("mensaje");
        QTest::newRow("linea de servidor sin texto") << QByteArray("CHATSRVMSG:ID");
        QTest::newRow("abandono con signo") << QByteArray("PART_CHAT:+ID");
        QTest::newRow("abandono con espacio") << QByteArray("PART_CHAT:ID ");
        QTest::newRow("peticion de id cero") << QByteArray("PIDE_JOINCHAT:0");
        QTest::newRow("peticion de siete cifras") << QByteArray("PIDE_JOINCHAT:1000000");
        QTest::newRow("oferta sin dos puntos") << QByteArray("OFRECE_JOINCHAT:ID");
        QTest::newRow("traspaso de otra sala") << QByteArray("ENROUTE_CHAT:OTRO:");
        QTest::newRow("aceptacion no pedida") << QByteArray("ACEPTA_JOINCHAT:OTRO");
    }

    void MensajeMalFormadoSeIgnora() {
        QFETCH(QByteArray, mensaje);
        TConCrudos red;
        const int id = red.Hospedar({&red.A, &red.B});
        red.Enviar(red.A, Con(mensaje, id));
        QTest::qWait(100);
        QVERIFY(red.A.Recibido.isEmpty() && red.B.Recibido.isEmpty());
        QVERIFY(red.H.Ventana.Lineas.empty());
        QCOMPARE(red.H.Ventana.Pestanas, std::vector<int>{id});
        QCOMPARE(red.H.Salas.Servidas().size(), std::size_t(1));
        QCOMPARE(red.H.Clientes(id), (QStringList{red.A.Ip, red.B.Ip}));
        QVERIFY(red.H.Interfaz().Preguntas.empty());
    }

    void UnionYRespuestas() {
        TConCrudos red;
        const int id = red.Hospedar({&red.A});
        // Asking again gets the answer again, but the guest is listed once.
        red.Enviar(red.A, "PIDE_JOINCHAT:" + Numero(id));
        QCOMPARE(red.A.Mensajes(), QList<QByteArray>{"ACEPTA_JOINCHAT:" + Numero(id)});
        QCOMPARE(red.H.Clientes(id), QStringList{red.A.Ip});
        red.A.Recibido.clear();
        red.H.Salas.EnviarLineaChat(id, QStringLiteral("uno\x07" "dos"));
        QCOMPARE(red.A.EsperarMensajes(1), QList<QByteArray>{"CHAT:" + Numero(id) + ":0:Hugo:uno?dos"});

        // Only the room asked for, only from the host asked, only once.
        red.Enviar(red.B, "ACEPTA_JOINCHAT:77");
        red.Enviar(red.B, "OFRECE_JOINCHAT:77:");
        QCOMPARE(red.B.Mensajes(), QList<QByteArray>{"PIDE_JOINCHAT:77"});
        red.Enviar(red.C, "ACEPTA_JOINCHAT:77");
        red.Enviar(red.B, "ACEPTA_JOINCHAT:77");
        red.Enviar(red.B, "ACEPTA_JOINCHAT:77");
        red.Enviar(red.B, "ACEPTA_JOINCHAT:78");
        QCOMPARE(red.H.Ventana.Pestanas, (std::vector<int>{id, 77}));
        QCOMPARE(red.H.Host(77), red.B.Ip);
        // Only a room we are in can be handed to us; nobody plants rooms here.
        red.Enviar(red.C, "ENROUTE_CHAT:55:");
        QCOMPARE(red.H.Salas.Servidas().size(), std::size_t(1));

        // Only the current host moves the room.
        red.Enviar(red.C, "ROUTE_CHAT:77:127.0.0.23");
        QCOMPARE(red.H.Host(77), red.B.Ip);
        red.Enviar(red.B, "ROUTE_CHAT:77:127.0.0.23");
        QCOMPARE(red.H.Host(77), red.C.Ip);

        // An error box answers only a join we asked that peer for, and only once.
        red.Enviar(red.A, "ERROR_JOINCHAT:12");
        red.Enviar(red.A, "OFRECE_JOINCHAT:12:");
        for (const QByteArray error : {"A12", "A12", "A12", "B12", "A13"})
            red.Enviar(error[0] == 'A' ? red.A : red.B, "ERROR_JOINCHAT:" + error.sliced(1));
        QCOMPARE(red.H.Interfaz().Errores.size(), std::size_t(1));
        QCOMPARE(red.H.Interfaz().Errores[0].Titulo, QStringLiteral("Chat: error conectando a 127.0.0.21"));
        QCOMPARE(CodificarCp1252(red.H.Interfaz().Errores[0].Texto),
                 QByteArray("El contacto \"Ana\" (127.0.0.21) ha devuelto un\r"
                            "error al intentar conectar con el Chat 12"));

        // A request for a room handed over meanwhile is refused.
        red.H.Salas.AbandonarChat(id);
        red.B.Recibido.clear();
        red.Enviar(red.B, "PIDE_JOINCHAT:" + Numero(id));
        QCOMPARE(red.B.Mensajes(), QList<QByteArray>{"ERROR_JOINCHAT:" + Numero(id)});
    }

    void Abandonos() {
        TConCrudos red;
        const int id = red.Hospedar({&red.A, &red.B});
        // Somebody who is not a guest leaving is still announced.
        red.Enviar(red.C, "PART_CHAT:" + Numero(id));
        const QByteArray cris = "CHATSRVMSG:" + Numero(id) + ":Cris abandona el Chat";
        QCOMPARE(red.A.EsperarMensajes(1), QList<QByteArray>{cris});
        QCOMPARE(red.B.EsperarMensajes(1), QList<QByteArray>{cris});
        QCOMPARE(red.H.Clientes(id), (QStringList{red.A.Ip, red.B.Ip}));
        red.Enviar(red.A, "PART_CHAT:" + Numero(id));
        red.Enviar(red.B, "PART_CHAT:" + Numero(id));
        QCOMPARE(red.H.Clientes(id), QStringList());
        QCOMPARE(red.B.EsperarMensajes(2).last(), "CHATSRVMSG:" + Numero(id) + ":Ana abandona el Chat");
        QCOMPARE(red.H.Ventana.Textos(id).last(), kServidor + u"Bea abandona el Chat");
        // A room without guests ends quietly.
        red.A.Recibido.clear();
        red.B.Recibido.clear();
        red.H.Salas.AbandonarChat(id);
        QTest::qWait(100);
        QVERIFY(red.A.Recibido.isEmpty() && red.B.Recibido.isEmpty());
        QVERIFY(red.H.Salas.Servidas().empty());
    }

    // Lines keep arriving while a question is open; a peer cannot stack a second one.
    void PreguntaConLineasLlegando() {
        TConCrudos red;
        const int id = red.Hospedar({&red.C});
        const QString durante = QStringLiteral("Cris|durante la pregunta");
        int preguntas = 0;
        bool lineaDurante = false;
        red.H.Interfaz().AntesDeResponder = [&] {
            if (preguntas++ > 0)
                return;
            red.B.Enviar("OFRECE_JOINCHAT:31:" + QByteArray(1, kBel));
            red.C.Enviar(Con("CHAT:ID:0:Cris:durante la pregunta", id) + kBel);
            lineaDurante = QTest::qWaitFor([&] {
                return red.H.Ventana.Textos(id).contains(durante) && preguntas == 2;
            });
        };
        red.A.Enviar("OFRECE_JOINCHAT:30:" + QByteArray(1, kBel) + "OFRECE_JOINCHAT:32:" + kBel);
        QCOMPARE(red.A.EsperarMensajes(1), QList<QByteArray>{"PIDE_JOINCHAT:30"});
        QVERIFY(lineaDurante);
        QCOMPARE(red.B.EsperarMensajes(1), QList<QByteArray>{"PIDE_JOINCHAT:31"});
        QTest::qWait(200);
        QCOMPARE(red.H.Interfaz().Preguntas.size(), std::size_t(2));
        QCOMPARE(red.A.Mensajes().size(), 1);
    }

    // The old host's "ROUTE_CHAT:" crawls to Cris and Dani while Bea takes the room, speaks and
    // hands it on to Cris; an outsider tries to take it meanwhile.
    void TraspasoConLaRutaRetrasada() {
        TNodoChat a(11, QStringLiteral("Ana")), b(12, QStringLiteral("Bea")),
            c(13, QStringLiteral("Cris")), d(14, QStringLiteral("Dani"));
        TPeerCrudo xc(25), xd(25);
        for (TNodoChat* nodo : {&c, &d})
            nodo->Nodo.M().AnadirContacto(QStringLiteral("Xavi"), xc.Ip, {}, false, true);
        ConectarTodos({&a, &b, &c, &d});
        QVERIFY(xc.ConectarA(c.IP()) && xd.ConectarA(d.IP()));
        QTRY_VERIFY(c.Nodo.Conectado(xc.Ip) && d.Nodo.Conectado(xd.Ip));
        const int id = AbrirSala(a, b);
        QVERIFY(id && Unir(a, c, id) && Unir(a, d, id));
        QTest::qWait(100);
        for (TNodoChat* nodo : {&a, &b, &c, &d})
            nodo->Ventana.Lineas.clear();

        c.Nodo.Retrasar(a.IP());
        d.Nodo.Retrasar(a.IP());
        a.Salas.AbandonarChat(id);
        QTRY_COMPARE(b.Clientes(id), (QStringList{c.IP(), d.IP()}));
        b.Salas.EnviarLineaChat(id, QStringLiteral("soy la nueva"));
        const QByteArray intruso = Con("CHAT:ID:0:Xavi:intruso\a" "CHATSRVMSG:ID:falso\a"
                                       "ROUTE_CHAT:ID:127.0.0.25\a" "ENROUTE_CHAT:ID:\a",
                                       id);
        xc.Enviar(intruso);
        xd.Enviar(intruso);
        b.Salas.AbandonarChat(id);
        QTest::qWait(300);
        c.Nodo.Soltar(a.IP());
        d.Nodo.Soltar(a.IP());

        QTRY_COMPARE(c.Clientes(id), QStringList{d.IP()});
        QTRY_COMPARE(d.Host(id), c.IP());
        const QStringList lineas{
            kServidor + u"Ana pasa el control del Chat a Bea", kServidor + u"Ana abandona el Chat",
            QStringLiteral("Bea|soy la nueva"), kServidor + u"Bea pasa el control del Chat a Cris",
            kServidor + u"Bea abandona el Chat"};
        QTRY_COMPARE(c.Ventana.Textos(id), lineas);
        QTRY_COMPARE(d.Ventana.Textos(id), lineas);
        Hablan({&c, &d}, id);
        for (TNodoChat* nodo : {&c, &d})
            QCOMPARE(nodo->Ventana.Textos(id).filter(QStringLiteral("Xavi")), QStringList());
    }

    // What waits for a host-to-be is held a few seconds and a bounded count.
    void RetencionAcotada() {
        TConCrudos red;
        red.Enviar(red.B, "OFRECE_JOINCHAT:77:");
        red.Enviar(red.B, "ACEPTA_JOINCHAT:77");
        TReloj& reloj = red.H.Nodo.M().Reloj();
        reloj.Fijar(QDateTime::currentDateTime());
        red.Enviar(red.C, "CHAT:77:0:Cris:tarde");
        reloj.Fijar(reloj.Ahora().addSecs(6));
        QByteArray lineas;
        QStringList mostradas;
        for (int i = 0; i < 70; ++i) {
            lineas += "CHAT:77:0:Ana:" + Numero(i) + kBel;
            if (i < 64)
                mostradas << u"Ana|" + QString::number(i);
        }
        red.Enviar(red.A, lineas.chopped(1));
        QVERIFY(red.H.Ventana.Lineas.empty());
        red.Enviar(red.B, "ROUTE_CHAT:77:127.0.0.23");
        red.Enviar(red.C, "ROUTE_CHAT:77:127.0.0.21");
        QCOMPARE(red.H.Host(77), red.A.Ip);
        QCOMPARE(red.H.Ventana.Textos(77), mostradas);
    }

    // Hosted rooms are handed over from the last to the first, then joined ones are left.
    void AlFinalizarSeDejanTodas() {
        TConCrudos red;
        const int r1 = red.Hospedar({&red.A});
        const int r2 = red.Hospedar({&red.A});
        for (const QByteArray j : {"501", "502"}) {
            red.Enviar(red.A, "OFRECE_JOINCHAT:" + j + ':');
            red.Enviar(red.A, "ACEPTA_JOINCHAT:" + j);
        }
        QCOMPARE(red.H.Salas.Unidas().size(), std::size_t(2));
        red.A.Recibido.clear();
        red.H.Salas.AbandonarTodas();
        const auto traspaso = [](int id) {
            return Mensajes({"CHATSRVMSG:" + Numero(id) + ":Hugo pasa el control del Chat a Ana",
                             "ENROUTE_CHAT:" + Numero(id) + ':', "PART_CHAT:" + Numero(id)});
        };
        QCOMPARE(red.A.EsperarMensajes(8),
                 traspaso(r2) + traspaso(r1) + Mensajes({"PART_CHAT:502", "PART_CHAT:501"}));
        QVERIFY(red.H.Salas.Servidas().empty() && red.H.Salas.Unidas().empty());
    }
};

QTEST_GUILESS_MAIN(TstSalasChat)
#include "tst_salaschat.moc"
