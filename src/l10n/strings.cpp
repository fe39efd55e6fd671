#include "strings.h"

#include "language.h"

#include <array>
#include <cstddef>
#include <map>
#include <unordered_map>
#include <utility>

namespace l10n {

namespace {

// Each text exactly as the user sees it, typographic quotes, "…" and the spaces before French
// punctuation included. A missing language fails the build (-Wmissing-field-initializers).
constexpr std::array<StringEntry, 35> stringEntries = {{
    {
        .key = "welcomeTitle",
        .english = "Export an iMessage chat for Tovik",
        .french = "Exporte une conversation iMessage pour Tovik",
        .german = "Exportier einen iMessage-Chat für Tovik",
        .spanish = "Exporta un chat de iMessage para Tovik",
        .italian = "Esporta una chat di iMessage per Tovik",
        .turkish = "Tovik için bir iMessage sohbeti dışa aktar",
        .brazilianPortuguese = "Exporte uma conversa do iMessage para a Tovik",
        .europeanPortuguese = "Exporta uma conversa do iMessage para a Tovik",
    },
    {
        .key = "welcomeBody",
        .english = "Pick a conversation, get one file, drop it on Tovik. Every message, years of texts, one click.",
        .french = "Choisis une conversation, récupère un fichier, dépose-le sur Tovik. Tous les messages, des années de textos, en un clic.",
        .german = "Wähl einen Chat, bekomm eine Datei, zieh sie zu Tovik. Jede Nachricht, jahrelanger Verlauf, ein Klick.",
        .spanish = "Elige una conversación, consigue un archivo y suéltalo en Tovik. Todos los mensajes, años de chats, en un clic.",
        .italian = "Scegli una conversazione, ottieni un file, trascinalo su Tovik. Tutti i messaggi, anni di chat, un clic.",
        .turkish = "Bir sohbet seç, tek dosya al, Tovik'ya bırak. Tüm mesajlar, yılların yazışmaları, tek tıkla.",
        .brazilianPortuguese = "Escolha uma conversa, gere um arquivo, solte na Tovik. Todas as mensagens, anos de papo, num clique.",
        .europeanPortuguese = "Escolhe uma conversa, recebe um ficheiro, larga-o na Tovik. Todas as mensagens, anos de conversa, num clique.",
    },
    {
        .key = "privacyTitle",
        .english = "Everything stays on this Mac",
        .french = "Tout reste sur ce Mac",
        .german = "Alles bleibt auf diesem Mac",
        .spanish = "Todo se queda en este Mac",
        .italian = "Tutto resta su questo Mac",
        .turkish = "Her şey bu Mac'te kalır",
        .brazilianPortuguese = "Tudo fica neste Mac",
        .europeanPortuguese = "Fica tudo neste Mac",
    },
    {
        .key = "privacyBody",
        .english = "Tovik for Mac reads your Messages here, read-only, and writes one text file. It sends nothing anywhere. You decide what to upload.",
        .french = "Tovik for Mac lit tes Messages ici, en lecture seule, et écrit un seul fichier texte. Rien n'est envoyé nulle part. C'est toi qui choisis ce que tu importes.",
        .german = "Tovik for Mac liest hier deine Nachrichten, nur lesend, und schreibt eine einzige Textdatei. Die App sendet nichts irgendwohin. Du entscheidest, was du hochlädst.",
        .spanish = "Tovik for Mac lee tus Mensajes aquí, en modo de solo lectura, y crea un único archivo de texto. No envía nada a ningún sitio. Tú decides qué subes.",
        .italian = "Tovik for Mac legge i tuoi Messaggi qui, in sola lettura, e scrive un solo file di testo. Non invia niente da nessuna parte. Decidi tu cosa caricare.",
        .turkish = "Tovik for Mac, Mesajlar'ını burada salt okunur olarak okur ve tek bir metin dosyası yazar. Hiçbir yere hiçbir şey göndermez. Neyi yükleyeceğine sen karar verirsin.",
        .brazilianPortuguese = "O Tovik for Mac lê o app Mensagens aqui mesmo, só para leitura, e gera um único arquivo de texto. Não envia nada pra lugar nenhum. Você decide o que enviar.",
        .europeanPortuguese = "A Tovik for Mac lê as tuas Mensagens aqui, só para leitura, e escreve um único ficheiro de texto. Não envia nada para lado nenhum. Tu é que decides o que carregas.",
    },
    {
        .key = "getStarted",
        .english = "Get started",
        .french = "C'est parti",
        .german = "Los geht's",
        .spanish = "Empezar",
        .italian = "Iniziamo",
        .turkish = "Hadi başlayalım",
        .brazilianPortuguese = "Bora começar",
        .europeanPortuguese = "Começar",
    },
    {
        .key = "accessTitle",
        .english = "Let Tovik read your Messages",
        .french = "Laisse Tovik lire tes Messages",
        .german = "Lass Tovik deine Nachrichten lesen",
        .spanish = "Deja que Tovik lea tus Mensajes",
        .italian = "Fai leggere i tuoi Messaggi a Tovik",
        .turkish = "Tovik Mesajlar'ını okusun",
        .brazilianPortuguese = "Deixe a Tovik ler suas Mensagens",
        .europeanPortuguese = "Deixa a Tovik ler as tuas Mensagens",
    },
    {
        .key = "accessBody",
        .english = "macOS keeps your conversations in a protected folder, so apps can't read them by default. To export one, Tovik for Mac needs Full Disk Access.",
        .french = "macOS range tes conversations dans un dossier protégé : aucune app ne peut les lire par défaut. Pour en exporter une, Tovik for Mac a besoin de l'accès complet au disque.",
        .german = "macOS speichert deine Chats in einem geschützten Ordner, deshalb können Apps sie standardmäßig nicht lesen. Um einen zu exportieren, braucht Tovik for Mac Festplattenvollzugriff.",
        .spanish = "macOS guarda tus conversaciones en una carpeta protegida, así que las apps no pueden leerlas por defecto. Para exportar una, Tovik for Mac necesita acceso total al disco.",
        .italian = "macOS tiene le tue conversazioni in una cartella protetta, quindi di default le app non possono leggerle. Per esportarne una, Tovik for Mac ha bisogno dell'accesso completo al disco.",
        .turkish = "macOS sohbetlerini korumalı bir klasörde tutar, bu yüzden uygulamalar onları varsayılan olarak okuyamaz. Birini dışa aktarmak için Tovik for Mac'in Tam Disk Erişimi'ne ihtiyacı var.",
        .brazilianPortuguese = "O macOS guarda suas conversas numa pasta protegida, então nenhum app consegue ler por padrão. Pra exportar uma, o Tovik for Mac precisa de Acesso Total ao Disco.",
        .europeanPortuguese = "O macOS guarda as tuas conversas numa pasta protegida, por isso as apps não as podem ler por predefinição. Para exportar uma, a Tovik for Mac precisa de Acesso total ao disco.",
    },
    {
        .key = "accessStep1",
        .english = "Click Open System Settings.",
        .french = "Clique sur Ouvrir les Réglages Système.",
        .german = "Klick auf „Systemeinstellungen öffnen“.",
        .spanish = "Haz clic en Abrir Ajustes del Sistema.",
        .italian = "Clicca su Apri Impostazioni di Sistema.",
        .turkish = "“Sistem Ayarları'nı Aç” butonuna tıkla.",
        .brazilianPortuguese = "Clique em Abrir Ajustes do Sistema.",
        .europeanPortuguese = "Clica em Abrir Definições do Sistema.",
    },
    {
        .key = "accessStep2",
        .english = "Switch on Tovik for Mac.",
        .french = "Active Tovik for Mac.",
        .german = "Aktivier Tovik for Mac.",
        .spanish = "Activa Tovik for Mac.",
        .italian = "Attiva Tovik for Mac.",
        .turkish = "Tovik for Mac'i etkinleştir.",
        .brazilianPortuguese = "Ative o Tovik for Mac.",
        .europeanPortuguese = "Ativa a Tovik for Mac.",
    },
    {
        .key = "accessStep2Hint",
        .english = "Not in the list? Click +, or drag this icon into the list.",
        .french = "Pas dans la liste ? Clique sur +, ou glisse cette icône dans la liste.",
        .german = "Nicht in der Liste? Klick auf + oder zieh dieses Symbol in die Liste.",
        .spanish = "¿No aparece en la lista? Haz clic en + o arrastra este icono a la lista.",
        .italian = "Non è nell'elenco? Clicca +, oppure trascina questa icona nell'elenco.",
        .turkish = "Listede yok mu? +'ya tıkla ya da bu simgeyi listeye sürükle.",
        .brazilianPortuguese = "Não está na lista? Clique em +, ou arraste este ícone pra lista.",
        .europeanPortuguese = "Não está na lista? Clica em + ou arrasta este ícone para a lista.",
    },
    {
        .key = "accessStep3",
        .english = "Come back here. Tovik notices by itself.",
        .french = "Reviens ici. Tovik s'en rend compte toute seule.",
        .german = "Komm hierher zurück. Tovik merkt es von selbst.",
        .spanish = "Vuelve aquí. Tovik se da cuenta sin que hagas nada.",
        .italian = "Torna qui. Tovik se ne accorge da sola.",
        .turkish = "Buraya geri dön. Tovik kendiliğinden fark eder.",
        .brazilianPortuguese = "Volte aqui. A Tovik percebe sozinha.",
        .europeanPortuguese = "Volta aqui. A Tovik dá conta sozinha.",
    },
    {
        .key = "openSystemSettings",
        .english = "Open System Settings",
        .french = "Ouvrir les Réglages Système",
        .german = "Systemeinstellungen öffnen",
        .spanish = "Abrir Ajustes del Sistema",
        .italian = "Apri Impostazioni di Sistema",
        .turkish = "Sistem Ayarları'nı Aç",
        .brazilianPortuguese = "Abrir Ajustes do Sistema",
        .europeanPortuguese = "Abrir Definições do Sistema",
    },
    {
        .key = "watchingForAccess",
        .english = "Watching for access…",
        .french = "En attente de l'accès…",
        .german = "Warte auf Zugriff…",
        .spanish = "Esperando el acceso…",
        .italian = "In attesa dell'accesso…",
        .turkish = "Erişim bekleniyor…",
        .brazilianPortuguese = "Esperando o acesso…",
        .europeanPortuguese = "À espera do acesso…",
    },
    {
        .key = "quitAndReopen",
        .english = "Switched on but nothing happens? Quit and reopen",
        .french = "Activé mais rien ne se passe ? Quitter et rouvrir",
        .german = "Aktiviert, aber nichts passiert? Beenden und neu öffnen",
        .spanish = "¿Activado y no pasa nada? Salir y volver a abrir",
        .italian = "Attivato ma non succede niente? Esci e riapri",
        .turkish = "Açtın ama bir şey olmadı mı? Çık ve yeniden aç",
        .brazilianPortuguese = "Ativou e nada aconteceu? Feche e abra de novo",
        .europeanPortuguese = "Ativaste e não acontece nada? Sair e voltar a abrir",
    },
    {
        .key = "noMessagesBody",
        .english = "No Messages history on this Mac yet. Open Messages, sign in, and turn on Messages in iCloud (Messages > Settings > iMessage).",
        .french = "Pas encore d'historique Messages sur ce Mac. Ouvre Messages, connecte-toi et active Messages dans iCloud (Messages > Réglages > iMessage).",
        .german = "Auf diesem Mac gibt es noch keinen Nachrichten-Verlauf. Öffne Nachrichten, melde dich an und aktiviere „Nachrichten in iCloud“ (Nachrichten > Einstellungen > iMessage).",
        .spanish = "Aún no hay historial de Mensajes en este Mac. Abre Mensajes, inicia sesión y activa Mensajes en iCloud (Mensajes > Ajustes > iMessage).",
        .italian = "Su questo Mac non c'è ancora una cronologia di Messaggi. Apri Messaggi, accedi e attiva Messaggi su iCloud (Messaggi > Impostazioni > iMessage).",
        .turkish = "Bu Mac'te henüz Mesajlar geçmişi yok. Mesajlar'ı aç, giriş yap ve iCloud'da Mesajlar'ı etkinleştir (Mesajlar > Ayarlar > iMessage).",
        .brazilianPortuguese = "Ainda não tem histórico do Mensagens neste Mac. Abra o Mensagens, entre na sua conta e ative Mensagens no iCloud (Mensagens > Ajustes > iMessage).",
        .europeanPortuguese = "Ainda não há histórico de Mensagens neste Mac. Abre a app Mensagens, inicia sessão e ativa Mensagens em iCloud (Mensagens > Definições > iMessage).",
    },
    {
        .key = "contactsTitle",
        .english = "Names instead of numbers?",
        .french = "Des prénoms plutôt que des numéros ?",
        .german = "Namen statt Nummern?",
        .spanish = "¿Nombres en vez de números?",
        .italian = "Nomi invece di numeri?",
        .turkish = "Numaralar yerine isimler?",
        .brazilianPortuguese = "Nomes em vez de números?",
        .europeanPortuguese = "Nomes em vez de números?",
    },
    {
        .key = "contactsBody",
        .english = "Tovik for Mac can match phone numbers with your contacts, so you find the right chat fast. Names stay on this Mac.",
        .french = "Tovik for Mac peut relier les numéros à tes contacts, pour trouver la bonne conversation plus vite. Les noms restent sur ce Mac.",
        .german = "Tovik for Mac kann Telefonnummern mit deinen Kontakten abgleichen, damit du den richtigen Chat schnell findest. Die Namen bleiben auf diesem Mac.",
        .spanish = "Tovik for Mac puede relacionar los números de teléfono con tus contactos para que encuentres rápido el chat correcto. Los nombres se quedan en este Mac.",
        .italian = "Tovik for Mac può abbinare i numeri ai tuoi contatti, così trovi subito la chat giusta. I nomi restano su questo Mac.",
        .turkish = "Tovik for Mac telefon numaralarını kişilerinle eşleştirebilir, böylece doğru sohbeti hızlıca bulursun. İsimler bu Mac'te kalır.",
        .brazilianPortuguese = "O Tovik for Mac pode ligar os números de telefone aos seus contatos, pra você achar a conversa certa rapidinho. Os nomes ficam neste Mac.",
        .europeanPortuguese = "A Tovik for Mac pode associar os números aos teus contactos, para encontrares a conversa certa num instante. Os nomes ficam neste Mac.",
    },
    {
        .key = "allowContacts",
        .english = "Allow Contacts",
        .french = "Autoriser les contacts",
        .german = "Kontakte erlauben",
        .spanish = "Permitir Contactos",
        .italian = "Consenti accesso ai Contatti",
        .turkish = "Kişiler'e izin ver",
        .brazilianPortuguese = "Permitir Contatos",
        .europeanPortuguese = "Permitir Contactos",
    },
    {
        .key = "continueWithoutNames",
        .english = "Continue without names",
        .french = "Continuer sans les noms",
        .german = "Ohne Namen weiter",
        .spanish = "Continuar sin nombres",
        .italian = "Continua senza nomi",
        .turkish = "İsimsiz devam et",
        .brazilianPortuguese = "Continuar sem nomes",
        .europeanPortuguese = "Continuar sem nomes",
    },
    {
        .key = "listTitle",
        .english = "Pick a conversation",
        .french = "Choisis une conversation",
        .german = "Wähl einen Chat",
        .spanish = "Elige una conversación",
        .italian = "Scegli una conversazione",
        .turkish = "Bir sohbet seç",
        .brazilianPortuguese = "Escolha uma conversa",
        .europeanPortuguese = "Escolhe uma conversa",
    },
    {
        .key = "searchPlaceholder",
        .english = "Search by name or number",
        .french = "Cherche un nom ou un numéro",
        .german = "Name oder Nummer suchen",
        .spanish = "Busca por nombre o número",
        .italian = "Cerca per nome o numero",
        .turkish = "İsim ya da numara ara",
        .brazilianPortuguese = "Buscar por nome ou número",
        .europeanPortuguese = "Procurar por nome ou número",
    },
    {
        .key = "sortMostMessages",
        .english = "Most messages",
        .french = "Le plus de messages",
        .german = "Meiste Nachrichten",
        .spanish = "Más mensajes",
        .italian = "Più messaggi",
        .turkish = "En çok mesaj",
        .brazilianPortuguese = "Mais mensagens",
        .europeanPortuguese = "Mais mensagens",
    },
    {
        .key = "groupBadge",
        .english = "GROUP",
        .french = "GROUPE",
        .german = "GRUPPE",
        .spanish = "GRUPO",
        .italian = "GRUPPO",
        .turkish = "GRUP",
        .brazilianPortuguese = "GRUPO",
        .europeanPortuguese = "GRUPO",
    },
    {
        .key = "readingMessages",
        .english = "Reading your Messages…",
        .french = "Lecture de tes Messages…",
        .german = "Deine Nachrichten werden gelesen…",
        .spanish = "Leyendo tus Mensajes…",
        .italian = "Sto leggendo i tuoi Messaggi…",
        .turkish = "Mesajların okunuyor…",
        .brazilianPortuguese = "Lendo suas Mensagens…",
        .europeanPortuguese = "A ler as tuas Mensagens…",
    },
    {
        .key = "noConversationFound",
        .english = "No conversation found.",
        .french = "Aucune conversation trouvée.",
        .german = "Kein Chat gefunden.",
        .spanish = "No se ha encontrado ninguna conversación.",
        .italian = "Nessuna conversazione trovata.",
        .turkish = "Sohbet bulunamadı.",
        .brazilianPortuguese = "Nenhuma conversa encontrada.",
        .europeanPortuguese = "Nenhuma conversa encontrada.",
    },
    {
        .key = "tooShortHint",
        .english = "Under 100 messages: too short for Tovik",
        .french = "Moins de 100 messages : trop court pour Tovik",
        .german = "Unter 100 Nachrichten: zu kurz für Tovik",
        .spanish = "Menos de 100 mensajes: demasiado corto para Tovik",
        .italian = "Meno di 100 messaggi: troppo corta per Tovik",
        .turkish = "100 mesajdan az: Tovik için çok kısa",
        .brazilianPortuguese = "Menos de 100 mensagens: curta demais pra Tovik",
        .europeanPortuguese = "Menos de 100 mensagens: curta demais para a Tovik",
    },
    {
        .key = "exportButton",
        .english = "Export for Tovik",
        .french = "Exporter pour Tovik",
        .german = "Für Tovik exportieren",
        .spanish = "Exportar para Tovik",
        .italian = "Esporta per Tovik",
        .turkish = "Tovik için dışa aktar",
        .brazilianPortuguese = "Exportar pra Tovik",
        .europeanPortuguese = "Exportar para a Tovik",
    },
    {
        .key = "exporting",
        .english = "Exporting…",
        .french = "Export en cours…",
        .german = "Wird exportiert…",
        .spanish = "Exportando…",
        .italian = "Esportazione in corso…",
        .turkish = "Dışa aktarılıyor…",
        .brazilianPortuguese = "Exportando…",
        .europeanPortuguese = "A exportar…",
    },
    {
        .key = "olderMessagesHint",
        .english = "Older messages missing? Turn on Messages in iCloud (Messages > Settings > iMessage) and let it sync.",
        .french = "Il manque des vieux messages ? Active Messages dans iCloud (Messages > Réglages > iMessage) et laisse synchroniser.",
        .german = "Ältere Nachrichten fehlen? Aktivier „Nachrichten in iCloud“ (Nachrichten > Einstellungen > iMessage) und lass alles synchronisieren.",
        .spanish = "¿Faltan mensajes antiguos? Activa Mensajes en iCloud (Mensajes > Ajustes > iMessage) y deja que se sincronice.",
        .italian = "Mancano i messaggi più vecchi? Attiva Messaggi su iCloud (Messaggi > Impostazioni > iMessage) e lascia che si sincronizzi.",
        .turkish = "Eski mesajlar eksik mi? iCloud'da Mesajlar'ı etkinleştir (Mesajlar > Ayarlar > iMessage) ve eşzamanlanmasını bekle.",
        .brazilianPortuguese = "Faltando mensagens antigas? Ative Mensagens no iCloud (Mensagens > Ajustes > iMessage) e deixe sincronizar.",
        .europeanPortuguese = "Faltam mensagens antigas? Ativa Mensagens em iCloud (Mensagens > Definições > iMessage) e deixa sincronizar.",
    },
    {
        .key = "doneTitle",
        .english = "Saved in Downloads!",
        .french = "Enregistré dans Téléchargements !",
        .german = "In „Downloads“ gespeichert!",
        .spanish = "¡Guardado en Descargas!",
        .italian = "Salvato in Download!",
        .turkish = "İndirilenler'e kaydedildi!",
        .brazilianPortuguese = "Salvo em Downloads!",
        .europeanPortuguese = "Guardado em Descargas!",
    },
    {
        .key = "doneBody",
        .english = "Now drop this file on Tovik. Tip: you can drag it straight from here into the upload box.",
        .french = "Maintenant dépose ce fichier sur Tovik. Astuce : tu peux le glisser directement d'ici vers la zone d'import.",
        .german = "Jetzt ab damit zu Tovik. Tipp: Du kannst die Datei direkt von hier ins Upload-Feld ziehen.",
        .spanish = "Ahora suelta este archivo en Tovik. Truco: puedes arrastrarlo directamente desde aquí a la zona de subida.",
        .italian = "Ora trascina questo file su Tovik. Dritta: puoi trascinarlo direttamente da qui nel riquadro di caricamento.",
        .turkish = "Şimdi bu dosyayı Tovik'ya bırak. İpucu: buradan doğrudan yükleme alanına sürükleyebilirsin.",
        .brazilianPortuguese = "Agora solte esse arquivo na Tovik. Dica: dá pra arrastar direto daqui pra área de envio.",
        .europeanPortuguese = "Agora larga este ficheiro na Tovik. Dica: podes arrastá-lo daqui diretamente para a caixa de carregamento.",
    },
    {
        .key = "uploadButton",
        .english = "Upload it on Tovik",
        .french = "L'importer sur Tovik",
        .german = "Bei Tovik hochladen",
        .spanish = "Subirlo a Tovik",
        .italian = "Caricalo su Tovik",
        .turkish = "Tovik'ya yükle",
        .brazilianPortuguese = "Enviar para a Tovik",
        .europeanPortuguese = "Carregar na Tovik",
    },
    {
        .key = "showInFinder",
        .english = "Show in Finder",
        .french = "Afficher dans le Finder",
        .german = "Im Finder anzeigen",
        .spanish = "Mostrar en Finder",
        .italian = "Mostra nel Finder",
        .turkish = "Finder'da Göster",
        .brazilianPortuguese = "Mostrar no Finder",
        .europeanPortuguese = "Mostrar no Finder",
    },
    {
        .key = "exportAnother",
        .english = "Export another conversation",
        .french = "Exporter une autre conversation",
        .german = "Weiteren Chat exportieren",
        .spanish = "Exportar otra conversación",
        .italian = "Esporta un'altra conversazione",
        .turkish = "Başka bir sohbet dışa aktar",
        .brazilianPortuguese = "Exportar outra conversa",
        .europeanPortuguese = "Exportar outra conversa",
    },
    {
        .key = "exportFailed",
        .english = "The export didn't work. Try again, or reopen the app.",
        .french = "L'export n'a pas marché. Réessaie, ou rouvre l'app.",
        .german = "Der Export hat nicht geklappt. Versuch's nochmal oder öffne die App neu.",
        .spanish = "La exportación no ha funcionado. Inténtalo otra vez o vuelve a abrir la app.",
        .italian = "L'esportazione non ha funzionato. Riprova, o riapri l'app.",
        .turkish = "Dışa aktarma olmadı. Tekrar dene ya da uygulamayı yeniden aç.",
        .brazilianPortuguese = "A exportação não funcionou. Tente de novo ou reabra o app.",
        .europeanPortuguese = "A exportação não funcionou. Tenta outra vez ou volta a abrir a app.",
    },
}};

constexpr std::array<std::string_view StringEntry::*, 8> everyLanguage = {
    &StringEntry::english,
    &StringEntry::french,
    &StringEntry::german,
    &StringEntry::spanish,
    &StringEntry::italian,
    &StringEntry::turkish,
    &StringEntry::brazilianPortuguese,
    &StringEntry::europeanPortuguese,
};

consteval bool everyTextIsPresent()
{
    for (const StringEntry &entry : stringEntries) {
        if (entry.key.empty())
            return false;
        for (const auto text : everyLanguage) {
            if ((entry.*text).empty())
                return false;
        }
    }
    return true;
}
static_assert(everyTextIsPresent(), "every entry needs its key and a text in every language");

// The English text is the key of the translation tables, so two entries must not share it.
consteval bool englishTextsAreDistinct()
{
    for (std::size_t a = 0; a < stringEntries.size(); ++a) {
        for (std::size_t b = a + 1; b < stringEntries.size(); ++b) {
            if (stringEntries[a].english == stringEntries[b].english)
                return false;
        }
    }
    return true;
}
static_assert(englishTextsAreDistinct(), "the English texts key the translation tables");

// English text → translation, for one language.
using TranslationTable = std::unordered_map<std::string_view, std::string_view>;

// The six translation tables, keyed by language code; built on the first lookup in a language other
// than English and French, read-only afterwards.
const std::map<std::string_view, TranslationTable> &translationTables()
{
    static const std::map<std::string_view, TranslationTable> tables = [] {
        const std::array<std::pair<std::string_view, std::string_view StringEntry::*>, 6> columns = {{
            {"de", &StringEntry::german},
            {"es", &StringEntry::spanish},
            {"it", &StringEntry::italian},
            {"tr", &StringEntry::turkish},
            {"pt-BR", &StringEntry::brazilianPortuguese},
            {"pt-PT", &StringEntry::europeanPortuguese},
        }};
        std::map<std::string_view, TranslationTable> built;
        for (const auto &[language, column] : columns) {
            TranslationTable &table = built[language];
            table.reserve(stringEntries.size());
            for (const StringEntry &entry : stringEntries)
                table.emplace(entry.english, entry.*column);
        }
        return built;
    }();
    return tables;
}

// The row of the entry named `key`, or stringEntries.size() when there is none.
consteval std::size_t rowOf(std::string_view key)
{
    std::size_t row = 0;
    while (row < stringEntries.size() && stringEntries[row].key != key)
        ++row;
    return row;
}

std::string localizedRow(std::size_t row)
{
    return localized(stringEntries[row].english, stringEntries[row].french);
}

} // namespace

std::span<const StringEntry> stringTable()
{
    return stringEntries;
}

std::string localized(std::string_view english, std::string_view french, std::string_view language)
{
    if (language == "en")
        return std::string(english);
    if (language == "fr")
        return std::string(french);
    const auto &tables = translationTables();
    const auto table = tables.find(language);
    if (table == tables.end())
        return std::string(english);
    const auto translation = table->second.find(english);
    if (translation == table->second.end())
        return std::string(english);
    return std::string(translation->second);
}

std::string localized(std::string_view english, std::string_view french)
{
    return localized(english, french, currentLanguage());
}

// Each accessor keeps its text in its own function-local static, which C++ initialises exactly once
// even when several threads call at the same time. The row is found at compile time, so an accessor
// without an entry does not build.
#define TOVIK_TEXT_ACCESSOR(name)                                                                                      \
    const std::string &name()                                                                                          \
    {                                                                                                                  \
        constexpr std::size_t row = rowOf(#name);                                                                      \
        static_assert(row < stringEntries.size(), "no string entry named " #name);                                     \
        static const std::string text = localizedRow(row);                                                             \
        return text;                                                                                                   \
    }

TOVIK_TEXT_ACCESSOR(welcomeTitle)
TOVIK_TEXT_ACCESSOR(welcomeBody)
TOVIK_TEXT_ACCESSOR(privacyTitle)
TOVIK_TEXT_ACCESSOR(privacyBody)
TOVIK_TEXT_ACCESSOR(getStarted)
TOVIK_TEXT_ACCESSOR(accessTitle)
TOVIK_TEXT_ACCESSOR(accessBody)
TOVIK_TEXT_ACCESSOR(accessStep1)
TOVIK_TEXT_ACCESSOR(accessStep2)
TOVIK_TEXT_ACCESSOR(accessStep2Hint)
TOVIK_TEXT_ACCESSOR(accessStep3)
TOVIK_TEXT_ACCESSOR(openSystemSettings)
TOVIK_TEXT_ACCESSOR(watchingForAccess)
TOVIK_TEXT_ACCESSOR(quitAndReopen)
TOVIK_TEXT_ACCESSOR(noMessagesBody)
TOVIK_TEXT_ACCESSOR(contactsTitle)
TOVIK_TEXT_ACCESSOR(contactsBody)
TOVIK_TEXT_ACCESSOR(allowContacts)
TOVIK_TEXT_ACCESSOR(continueWithoutNames)
TOVIK_TEXT_ACCESSOR(listTitle)
TOVIK_TEXT_ACCESSOR(searchPlaceholder)
TOVIK_TEXT_ACCESSOR(sortMostMessages)
TOVIK_TEXT_ACCESSOR(groupBadge)
TOVIK_TEXT_ACCESSOR(readingMessages)
TOVIK_TEXT_ACCESSOR(noConversationFound)
TOVIK_TEXT_ACCESSOR(tooShortHint)
TOVIK_TEXT_ACCESSOR(exportButton)
TOVIK_TEXT_ACCESSOR(exporting)
TOVIK_TEXT_ACCESSOR(olderMessagesHint)
TOVIK_TEXT_ACCESSOR(doneTitle)
TOVIK_TEXT_ACCESSOR(doneBody)
TOVIK_TEXT_ACCESSOR(uploadButton)
TOVIK_TEXT_ACCESSOR(showInFinder)
TOVIK_TEXT_ACCESSOR(exportAnother)
TOVIK_TEXT_ACCESSOR(exportFailed)

#undef TOVIK_TEXT_ACCESSOR

} // namespace l10n
