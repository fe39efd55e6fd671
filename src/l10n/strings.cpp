#include "strings.h"

#include "language.h"

#include <array>
#include <cstddef>
#include <map>
#include <unordered_map>
#include <utility>

namespace l10n
{

namespace
{

// Each text exactly as the user sees it, typographic quotes, "…" and the spaces before French
// punctuation included. A missing language fails the build (-Wmissing-field-initializers).
constexpr std::array<StringEntry, 90> stringEntries = {{
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
        .french = "Choisis une conversation, récupère un fichier, dépose-le sur Tovik. Tous les messages, des années "
                  "de textos, en un clic.",
        .german =
            "Wähl einen Chat, bekomm eine Datei, zieh sie zu Tovik. Jede Nachricht, jahrelanger Verlauf, ein Klick.",
        .spanish = "Elige una conversación, consigue un archivo y suéltalo en Tovik. Todos los mensajes, años de "
                   "chats, en un clic.",
        .italian =
            "Scegli una conversazione, ottieni un file, trascinalo su Tovik. Tutti i messaggi, anni di chat, un clic.",
        .turkish = "Bir sohbet seç, tek dosya al, Tovik'ya bırak. Tüm mesajlar, yılların yazışmaları, tek tıkla.",
        .brazilianPortuguese =
            "Escolha uma conversa, gere um arquivo, solte na Tovik. Todas as mensagens, anos de papo, num clique.",
        .europeanPortuguese = "Escolhe uma conversa, recebe um ficheiro, larga-o na Tovik. Todas as mensagens, anos de "
                              "conversa, num clique.",
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
        .english = "Tovik for Mac reads your Messages here, read-only, and writes one text file. It sends nothing "
                   "anywhere. You decide what to upload.",
        .french = "Tovik for Mac lit tes Messages ici, en lecture seule, et écrit un seul fichier texte. Rien n'est "
                  "envoyé nulle part. C'est toi qui choisis ce que tu importes.",
        .german = "Tovik for Mac liest hier deine Nachrichten, nur lesend, und schreibt eine einzige Textdatei. Die "
                  "App sendet nichts irgendwohin. Du entscheidest, was du hochlädst.",
        .spanish = "Tovik for Mac lee tus Mensajes aquí, en modo de solo lectura, y crea un único archivo de texto. No "
                   "envía nada a ningún sitio. Tú decides qué subes.",
        .italian = "Tovik for Mac legge i tuoi Messaggi qui, in sola lettura, e scrive un solo file di testo. Non "
                   "invia niente da nessuna parte. Decidi tu cosa caricare.",
        .turkish = "Tovik for Mac, Mesajlar'ını burada salt okunur olarak okur ve tek bir metin dosyası yazar. Hiçbir "
                   "yere hiçbir şey göndermez. Neyi yükleyeceğine sen karar verirsin.",
        .brazilianPortuguese = "O Tovik for Mac lê o app Mensagens aqui mesmo, só para leitura, e gera um único "
                               "arquivo de texto. Não envia nada pra lugar nenhum. Você decide o que enviar.",
        .europeanPortuguese = "A Tovik for Mac lê as tuas Mensagens aqui, só para leitura, e escreve um único ficheiro "
                              "de texto. Não envia nada para lado nenhum. Tu é que decides o que carregas.",
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
        .english = "macOS keeps your conversations in a protected folder, so apps can't read them by default. To "
                   "export one, Tovik for Mac needs Full Disk Access.",
        .french = "macOS range tes conversations dans un dossier protégé : aucune app ne peut les lire par défaut. "
                  "Pour en exporter une, Tovik for Mac a besoin de l'accès complet au disque.",
        .german = "macOS speichert deine Chats in einem geschützten Ordner, deshalb können Apps sie standardmäßig "
                  "nicht lesen. Um einen zu exportieren, braucht Tovik for Mac Festplattenvollzugriff.",
        .spanish = "macOS guarda tus conversaciones en una carpeta protegida, así que las apps no pueden leerlas por "
                   "defecto. Para exportar una, Tovik for Mac necesita acceso total al disco.",
        .italian = "macOS tiene le tue conversazioni in una cartella protetta, quindi di default le app non possono "
                   "leggerle. Per esportarne una, Tovik for Mac ha bisogno dell'accesso completo al disco.",
        .turkish = "macOS sohbetlerini korumalı bir klasörde tutar, bu yüzden uygulamalar onları varsayılan olarak "
                   "okuyamaz. Birini dışa aktarmak için Tovik for Mac'in Tam Disk Erişimi'ne ihtiyacı var.",
        .brazilianPortuguese = "O macOS guarda suas conversas numa pasta protegida, então nenhum app consegue ler por "
                               "padrão. Pra exportar uma, o Tovik for Mac precisa de Acesso Total ao Disco.",
        .europeanPortuguese =
            "O macOS guarda as tuas conversas numa pasta protegida, por isso as apps não as podem ler por "
            "predefinição. Para exportar uma, a Tovik for Mac precisa de Acesso total ao disco.",
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
        .english = "No Messages history on this Mac yet. Open Messages, sign in, and turn on Messages in iCloud "
                   "(Messages > Settings > iMessage).",
        .french = "Pas encore d'historique Messages sur ce Mac. Ouvre Messages, connecte-toi et active Messages dans "
                  "iCloud (Messages > Réglages > iMessage).",
        .german = "Auf diesem Mac gibt es noch keinen Nachrichten-Verlauf. Öffne Nachrichten, melde dich an und "
                  "aktiviere „Nachrichten in iCloud“ (Nachrichten > Einstellungen > iMessage).",
        .spanish = "Aún no hay historial de Mensajes en este Mac. Abre Mensajes, inicia sesión y activa Mensajes en "
                   "iCloud (Mensajes > Ajustes > iMessage).",
        .italian = "Su questo Mac non c'è ancora una cronologia di Messaggi. Apri Messaggi, accedi e attiva Messaggi "
                   "su iCloud (Messaggi > Impostazioni > iMessage).",
        .turkish = "Bu Mac'te henüz Mesajlar geçmişi yok. Mesajlar'ı aç, giriş yap ve iCloud'da Mesajlar'ı etkinleştir "
                   "(Mesajlar > Ayarlar > iMessage).",
        .brazilianPortuguese = "Ainda não tem histórico do Mensagens neste Mac. Abra o Mensagens, entre na sua conta e "
                               "ative Mensagens no iCloud (Mensagens > Ajustes > iMessage).",
        .europeanPortuguese = "Ainda não há histórico de Mensagens neste Mac. Abre a app Mensagens, inicia sessão e "
                              "ativa Mensagens em iCloud (Mensagens > Definições > iMessage).",
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
        .english = "Tovik for Mac can match phone numbers with your contacts, so you find the right chat fast. Names "
                   "stay on this Mac.",
        .french = "Tovik for Mac peut relier les numéros à tes contacts, pour trouver la bonne conversation plus vite. "
                  "Les noms restent sur ce Mac.",
        .german = "Tovik for Mac kann Telefonnummern mit deinen Kontakten abgleichen, damit du den richtigen Chat "
                  "schnell findest. Die Namen bleiben auf diesem Mac.",
        .spanish = "Tovik for Mac puede relacionar los números de teléfono con tus contactos para que encuentres "
                   "rápido el chat correcto. Los nombres se quedan en este Mac.",
        .italian = "Tovik for Mac può abbinare i numeri ai tuoi contatti, così trovi subito la chat giusta. I nomi "
                   "restano su questo Mac.",
        .turkish = "Tovik for Mac telefon numaralarını kişilerinle eşleştirebilir, böylece doğru sohbeti hızlıca "
                   "bulursun. İsimler bu Mac'te kalır.",
        .brazilianPortuguese = "O Tovik for Mac pode ligar os números de telefone aos seus contatos, pra você achar a "
                               "conversa certa rapidinho. Os nomes ficam neste Mac.",
        .europeanPortuguese = "A Tovik for Mac pode associar os números aos teus contactos, para encontrares a "
                              "conversa certa num instante. Os nomes ficam neste Mac.",
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
        .english =
            "Older messages missing? Turn on Messages in iCloud (Messages > Settings > iMessage) and let it sync.",
        .french = "Il manque des vieux messages ? Active Messages dans iCloud (Messages > Réglages > iMessage) et "
                  "laisse synchroniser.",
        .german = "Ältere Nachrichten fehlen? Aktivier „Nachrichten in iCloud“ (Nachrichten > Einstellungen > "
                  "iMessage) und lass alles synchronisieren.",
        .spanish = "¿Faltan mensajes antiguos? Activa Mensajes en iCloud (Mensajes > Ajustes > iMessage) y deja que se "
                   "sincronice.",
        .italian = "Mancano i messaggi più vecchi? Attiva Messaggi su iCloud (Messaggi > Impostazioni > iMessage) e "
                   "lascia che si sincronizzi.",
        .turkish = "Eski mesajlar eksik mi? iCloud'da Mesajlar'ı etkinleştir (Mesajlar > Ayarlar > iMessage) ve "
                   "eşzamanlanmasını bekle.",
        .brazilianPortuguese = "Faltando mensagens antigas? Ative Mensagens no iCloud (Mensagens > Ajustes > iMessage) "
                               "e deixe sincronizar.",
        .europeanPortuguese = "Faltam mensagens antigas? Ativa Mensagens em iCloud (Mensagens > Definições > iMessage) "
                              "e deixa sincronizar.",
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
        .french = "Maintenant dépose ce fichier sur Tovik. Astuce : tu peux le glisser directement d'ici vers la zone "
                  "d'import.",
        .german = "Jetzt ab damit zu Tovik. Tipp: Du kannst die Datei direkt von hier ins Upload-Feld ziehen.",
        .spanish = "Ahora suelta este archivo en Tovik. Truco: puedes arrastrarlo directamente desde aquí a la zona de "
                   "subida.",
        .italian = "Ora trascina questo file su Tovik. Dritta: puoi trascinarlo direttamente da qui nel riquadro di "
                   "caricamento.",
        .turkish = "Şimdi bu dosyayı Tovik'ya bırak. İpucu: buradan doğrudan yükleme alanına sürükleyebilirsin.",
        .brazilianPortuguese =
            "Agora solte esse arquivo na Tovik. Dica: dá pra arrastar direto daqui pra área de envio.",
        .europeanPortuguese = "Agora larga este ficheiro na Tovik. Dica: podes arrastá-lo daqui diretamente para a "
                              "caixa de carregamento.",
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
    {
        .key = "privacyTitleLinux",
        .english = "Everything stays on this computer",
        .french = "Tout reste sur cet ordinateur",
        .german = "Alles bleibt auf diesem Computer",
        .spanish = "Todo se queda en este ordenador",
        .italian = "Tutto resta su questo computer",
        .turkish = "Her şey bu bilgisayarda kalır",
        .brazilianPortuguese = "Tudo fica neste computador",
        .europeanPortuguese = "Fica tudo neste computador",
    },
    {
        .key = "privacyBodyLinux",
        .english = "Tovik reads your Messages here, read-only, and writes one text file. It sends nothing anywhere. "
                   "You decide what to upload.",
        .french = "Tovik lit tes Messages ici, en lecture seule, et écrit un seul fichier texte. Rien n'est envoyé "
                  "nulle part. C'est toi qui choisis ce que tu importes.",
        .german = "Tovik liest hier deine Nachrichten, nur lesend, und schreibt eine einzige Textdatei. Die App sendet "
                  "nichts irgendwohin. Du entscheidest, was du hochlädst.",
        .spanish = "Tovik lee tus Mensajes aquí, en modo de solo lectura, y crea un único archivo de texto. No envía "
                   "nada a ningún sitio. Tú decides qué subes.",
        .italian = "Tovik legge i tuoi Messaggi qui, in sola lettura, e scrive un solo file di testo. Non invia niente "
                   "da nessuna parte. Decidi tu cosa caricare.",
        .turkish = "Tovik, Mesajlar'ını burada salt okunur olarak okur ve tek bir metin dosyası yazar. Hiçbir yere "
                   "hiçbir şey göndermez. Neyi yükleyeceğine sen karar verirsin.",
        .brazilianPortuguese = "A Tovik lê suas Mensagens aqui mesmo, só para leitura, e gera um único arquivo de "
                               "texto. Não envia nada pra lugar nenhum. Você decide o que enviar.",
        .europeanPortuguese = "A Tovik lê as tuas Mensagens aqui, só para leitura, e escreve um único ficheiro de "
                              "texto. Não envia nada para lado nenhum. Tu é que decides o que carregas.",
    },
    {
        .key = "contactsBodyLinux",
        .english = "Tovik can match phone numbers with the contacts of a vCard file, so you find the right chat fast. "
                   "Names stay on this computer.",
        .french = "Tovik peut relier les numéros aux contacts d'un fichier vCard, pour trouver la bonne conversation "
                  "plus vite. Les noms restent sur cet ordinateur.",
        .german = "Tovik kann Telefonnummern mit den Kontakten einer vCard-Datei abgleichen, damit du den richtigen "
                  "Chat schnell findest. Die Namen bleiben auf diesem Computer.",
        .spanish = "Tovik puede relacionar los números de teléfono con los contactos de un archivo vCard para que "
                   "encuentres rápido el chat correcto. Los nombres se quedan en este ordenador.",
        .italian = "Tovik può abbinare i numeri ai contatti di un file vCard, così trovi subito la chat giusta. I nomi "
                   "restano su questo computer.",
        .turkish = "Tovik telefon numaralarını bir vCard dosyasındaki kişilerle eşleştirebilir, böylece doğru sohbeti "
                   "hızlıca bulursun. İsimler bu bilgisayarda kalır.",
        .brazilianPortuguese = "A Tovik pode ligar os números de telefone aos contatos de um arquivo vCard, pra você "
                               "achar a conversa certa rapidinho. Os nomes ficam neste computador.",
        .europeanPortuguese = "A Tovik pode associar os números aos contactos de um ficheiro vCard, para encontrares a "
                              "conversa certa num instante. Os nomes ficam neste computador.",
    },
    {
        .key = "olderMessagesHintLinux",
        .english = "Older messages missing? Let the iPhone download them from iCloud, then make a new backup.",
        .french =
            "Il manque des vieux messages ? Laisse l'iPhone les récupérer depuis iCloud, puis refais une sauvegarde.",
        .german = "Ältere Nachrichten fehlen? Lass das iPhone sie aus iCloud laden und mach dann ein neues Backup.",
        .spanish = "¿Faltan mensajes antiguos? Deja que el iPhone los descargue de iCloud y luego haz una copia nueva.",
        .italian = "Mancano messaggi vecchi? Lascia che l'iPhone li scarichi da iCloud, poi fai un nuovo backup.",
        .turkish = "Eski mesajlar eksik mi? iPhone'un onları iCloud'dan indirmesini bekle, sonra yeni bir yedek al.",
        .brazilianPortuguese =
            "Faltam mensagens antigas? Deixe o iPhone baixar tudo do iCloud e depois faça um backup novo.",
        .europeanPortuguese =
            "Faltam mensagens antigas? Deixa o iPhone descarregá-las do iCloud e depois faz uma cópia nova.",
    },
    {
        .key = "showInFinderLinux",
        .english = "Show in folder",
        .french = "Afficher dans le dossier",
        .german = "Im Ordner anzeigen",
        .spanish = "Mostrar en la carpeta",
        .italian = "Mostra nella cartella",
        .turkish = "Klasörde göster",
        .brazilianPortuguese = "Mostrar na pasta",
        .europeanPortuguese = "Mostrar na pasta",
    },
    {
        .key = "sourceTitle",
        .english = "Where are your messages?",
        .french = "Où sont tes messages ?",
        .german = "Wo sind deine Nachrichten?",
        .spanish = "¿Dónde están tus mensajes?",
        .italian = "Dove sono i tuoi messaggi?",
        .turkish = "Mesajların nerede?",
        .brazilianPortuguese = "Onde estão suas mensagens?",
        .europeanPortuguese = "Onde estão as tuas mensagens?",
    },
    {
        .key = "sourceBody",
        .english = "Tovik reads a Mac's chat.db file (in Library/Messages) or an iPhone backup folder. Choose one, or "
                   "drop it onto this window.",
        .french = "Tovik lit le fichier chat.db d'un Mac (dans Library/Messages) ou le dossier d'une sauvegarde "
                  "d'iPhone. Choisis-en un, ou dépose-le sur cette fenêtre.",
        .german = "Tovik liest die Datei chat.db eines Macs (in Library/Messages) oder den Ordner eines "
                  "iPhone-Backups. Wähl eins aus oder zieh es auf dieses Fenster.",
        .spanish = "Tovik lee el archivo chat.db de un Mac (en Library/Messages) o la carpeta de una copia de "
                   "seguridad del iPhone. Elige uno o suéltalo en esta ventana.",
        .italian = "Tovik legge il file chat.db di un Mac (in Library/Messages) o la cartella di un backup "
                   "dell'iPhone. Scegline uno, oppure trascinalo su questa finestra.",
        .turkish = "Tovik bir Mac'teki chat.db dosyasını (Library/Messages içinde) ya da bir iPhone yedeği klasörünü "
                   "okur. Birini seç ya da bu pencereye bırak.",
        .brazilianPortuguese = "A Tovik lê o arquivo chat.db de um Mac (em Library/Messages) ou a pasta de um backup "
                               "do iPhone. Escolha um, ou solte nesta janela.",
        .europeanPortuguese = "A Tovik lê o ficheiro chat.db de um Mac (em Library/Messages) ou a pasta de uma cópia "
                              "de segurança do iPhone. Escolhe um, ou larga-o nesta janela.",
    },
    {
        .key = "sourceBackupHint",
        .english = "No backup yet? Connect the iPhone, unlock it and tap Trust on it. Then run these commands from "
                   "libimobiledevice-utils, or make a backup with Finder on a Mac or iTunes on Windows:",
        .french = "Pas encore de sauvegarde ? Branche l'iPhone, déverrouille-le et touche « Se fier » dessus. Puis "
                  "lance ces commandes de libimobiledevice-utils, ou fais une sauvegarde avec le Finder sur un Mac ou "
                  "iTunes sous Windows :",
        .german = "Noch kein Backup? Schließ das iPhone an, entsperr es und tipp darauf auf „Vertrauen“. Führ dann "
                  "diese Befehle aus libimobiledevice-utils aus, oder mach ein Backup mit dem Finder auf einem Mac "
                  "oder mit iTunes unter Windows:",
        .spanish =
            "¿Aún no tienes copia? Conecta el iPhone, desbloquéalo y toca «Confiar» en él. Luego ejecuta estos "
            "comandos de libimobiledevice-utils, o haz una copia con el Finder en un Mac o con iTunes en Windows:",
        .italian =
            "Non hai ancora un backup? Collega l'iPhone, sbloccalo e tocca «Autorizza» sull'iPhone. Poi esegui questi "
            "comandi di libimobiledevice-utils, oppure fai un backup con il Finder su un Mac o con iTunes su Windows:",
        .turkish = "Henüz yedeğin yok mu? iPhone'u bağla, kilidini aç ve telefonda “Güven”e dokun. Sonra "
                   "libimobiledevice-utils paketindeki bu komutları çalıştır ya da Mac'te Finder veya Windows'ta "
                   "iTunes ile bir yedek al:",
        .brazilianPortuguese =
            "Ainda não tem backup? Conecte o iPhone, desbloqueie e toque em “Confiar” nele. Depois rode estes comandos "
            "do libimobiledevice-utils, ou faça um backup com o Finder num Mac ou com o iTunes no Windows:",
        .europeanPortuguese =
            "Ainda não tens cópia? Liga o iPhone, desbloqueia-o e toca em “Confiar” nele. Depois corre estes comandos "
            "do libimobiledevice-utils, ou faz uma cópia com o Finder num Mac ou com o iTunes no Windows:",
    },
    {
        .key = "chooseSource",
        .english = "Choose a file or folder",
        .french = "Choisir un fichier ou un dossier",
        .german = "Datei oder Ordner wählen",
        .spanish = "Elegir un archivo o una carpeta",
        .italian = "Scegli un file o una cartella",
        .turkish = "Dosya ya da klasör seç",
        .brazilianPortuguese = "Escolher um arquivo ou uma pasta",
        .europeanPortuguese = "Escolher um ficheiro ou uma pasta",
    },
    {
        .key = "chooseSourceTitle",
        .english = "Choose chat.db or a backup folder",
        .french = "Choisis chat.db ou un dossier de sauvegarde",
        .german = "Wähl chat.db oder einen Backup-Ordner",
        .spanish = "Elige chat.db o una carpeta de copia de seguridad",
        .italian = "Scegli chat.db o una cartella di backup",
        .turkish = "chat.db dosyasını ya da bir yedek klasörünü seç",
        .brazilianPortuguese = "Escolha o chat.db ou uma pasta de backup",
        .europeanPortuguese = "Escolhe o chat.db ou uma pasta de cópia de segurança",
    },
    {
        .key = "checkingSource",
        .english = "Looking at it…",
        .french = "Vérification en cours…",
        .german = "Wird geprüft…",
        .spanish = "Echando un vistazo…",
        .italian = "Do un'occhiata…",
        .turkish = "Bakılıyor…",
        .brazilianPortuguese = "Dando uma olhada…",
        .europeanPortuguese = "A verificar…",
    },
    {
        .key = "sourceNotFound",
        .english = "Nothing found at {path}.",
        .french = "Rien trouvé à l'emplacement {path}.",
        .german = "Unter {path} gibt es nichts.",
        .spanish = "No hay nada en {path}.",
        .italian = "Non c'è niente in {path}.",
        .turkish = "{path} konumunda hiçbir şey yok.",
        .brazilianPortuguese = "Não tem nada em {path}.",
        .europeanPortuguese = "Não há nada em {path}.",
    },
    {
        .key = "sourceUnreadable",
        .english = "Tovik may not read {path}. Check its permissions.",
        .french = "Tovik n'a pas le droit de lire {path}. Vérifie ses permissions.",
        .german = "Tovik darf {path} nicht lesen. Prüf die Zugriffsrechte.",
        .spanish = "Tovik no tiene permiso para leer {path}. Revisa sus permisos.",
        .italian = "Tovik non ha il permesso di leggere {path}. Controlla i permessi.",
        .turkish = "Tovik {path} konumunu okuyamıyor. İzinlerini kontrol et.",
        .brazilianPortuguese = "A Tovik não tem permissão para ler {path}. Confira as permissões.",
        .europeanPortuguese = "A Tovik não tem permissão para ler {path}. Verifica as permissões.",
    },
    {
        .key = "sourceNotRegularFile",
        .english = "{path} is not a file Tovik can read.",
        .french = "{path} n'est pas un fichier que Tovik peut lire.",
        .german = "{path} ist keine Datei, die Tovik lesen kann.",
        .spanish = "{path} no es un archivo que Tovik pueda leer.",
        .italian = "{path} non è un file che Tovik può leggere.",
        .turkish = "{path} Tovik'in okuyabileceği bir dosya değil.",
        .brazilianPortuguese = "{path} não é um arquivo que a Tovik consiga ler.",
        .europeanPortuguese = "{path} não é um ficheiro que a Tovik consiga ler.",
    },
    {
        .key = "sourceNotMessages",
        .english = "{path} is not a Messages database.",
        .french = "{path} n'est pas une base de données Messages.",
        .german = "{path} ist keine Nachrichten-Datenbank.",
        .spanish = "{path} no es una base de datos de Mensajes.",
        .italian = "{path} non è un database di Messaggi.",
        .turkish = "{path} bir Mesajlar veritabanı değil.",
        .brazilianPortuguese = "{path} não é um banco de dados do Mensagens.",
        .europeanPortuguese = "{path} não é uma base de dados de Mensagens.",
    },
    {
        .key = "databaseTooOld",
        .english = "{path} comes from iOS 5 or earlier: too old for Tovik to read.",
        .french = "{path} vient d'iOS 5 ou d'une version plus ancienne : trop ancien pour que Tovik le lise.",
        .german = "{path} stammt von iOS 5 oder älter: zu alt, als dass Tovik es lesen könnte.",
        .spanish = "{path} viene de iOS 5 o anterior: es demasiado antiguo para que Tovik lo lea.",
        .italian = "{path} viene da iOS 5 o precedente: è troppo vecchio perché Tovik lo legga.",
        .turkish = "{path} iOS 5 veya daha eski bir sürümden: Tovik'in okuması için çok eski.",
        .brazilianPortuguese = "{path} é do iOS 5 ou anterior: antigo demais para a Tovik ler.",
        .europeanPortuguese = "{path} é do iOS 5 ou anterior: demasiado antigo para a Tovik ler.",
    },
    {
        .key = "backupWithoutMessages",
        .english = "The backup in {path} holds no messages.",
        .french = "La sauvegarde dans {path} ne contient aucun message.",
        .german = "Das Backup in {path} enthält keine Nachrichten.",
        .spanish = "La copia de seguridad de {path} no contiene mensajes.",
        .italian = "Il backup in {path} non contiene messaggi.",
        .turkish = "{path} içindeki yedekte hiç mesaj yok.",
        .brazilianPortuguese = "O backup em {path} não tem nenhuma mensagem.",
        .europeanPortuguese = "A cópia de segurança em {path} não tem mensagens.",
    },
    {
        .key = "backupTooOld",
        .english = "The backup in {path} was made by iOS 4 or older, too old for Tovik. Make a new backup.",
        .french = "La sauvegarde dans {path} a été faite par iOS 4 ou plus ancien, trop ancienne pour Tovik. "
                  "Fais-en une nouvelle.",
        .german = "Das Backup in {path} stammt von iOS 4 oder älter und ist zu alt für Tovik. Mach ein neues Backup.",
        .spanish = "La copia de seguridad de {path} se hizo con iOS 4 o anterior, demasiado antigua para Tovik. "
                   "Haz una nueva.",
        .italian =
            "Il backup in {path} è stato fatto con iOS 4 o precedente, troppo vecchio per Tovik. Fanne uno nuovo.",
        .turkish =
            "{path} içindeki yedek iOS 4 veya daha eski bir sürümle alınmış, Tovik için çok eski. Yeni bir yedek al.",
        .brazilianPortuguese = "O backup em {path} foi feito com o iOS 4 ou anterior, antigo demais para a Tovik. "
                               "Faça um backup novo.",
        .europeanPortuguese = "A cópia de segurança em {path} foi feita com o iOS 4 ou anterior, demasiado antiga "
                              "para a Tovik. Faz uma nova.",
    },
    {
        .key = "backupWithoutManifest",
        .english = "The encrypted backup in {path} is missing its Manifest.db, so Tovik can't unlock it. Copy the "
                   "whole backup folder again.",
        .french = "Il manque le fichier Manifest.db à la sauvegarde chiffrée dans {path} : Tovik ne peut pas la "
                  "déverrouiller. Copie à nouveau tout le dossier de la sauvegarde.",
        .german = "Dem verschlüsselten Backup in {path} fehlt die Datei Manifest.db, deshalb kann Tovik es nicht "
                  "entsperren. Kopier den ganzen Backup-Ordner noch einmal.",
        .spanish = "A la copia de seguridad cifrada de {path} le falta el archivo Manifest.db, así que Tovik no puede "
                   "desbloquearla. Vuelve a copiar la carpeta entera de la copia.",
        .italian = "Al backup cifrato in {path} manca il file Manifest.db, quindi Tovik non può sbloccarlo. Copia di "
                   "nuovo l'intera cartella del backup.",
        .turkish = "{path} içindeki şifreli yedekte Manifest.db dosyası eksik, bu yüzden Tovik kilidini açamıyor. "
                   "Yedek klasörünün tamamını yeniden kopyala.",
        .brazilianPortuguese = "Está faltando o arquivo Manifest.db no backup criptografado em {path}, então a Tovik "
                               "não consegue desbloqueá-lo. Copie de novo a pasta inteira do backup.",
        .europeanPortuguese =
            "Falta o ficheiro Manifest.db à cópia de segurança encriptada em {path}, por isso a "
            "Tovik não a consegue desbloquear. Copia novamente a pasta inteira da cópia de segurança.",
    },
    {
        .key = "backupNotMessages",
        .english = "The file sms.db in the backup in {path} is not a Messages database.",
        .french = "Le fichier sms.db de la sauvegarde dans {path} n'est pas une base de données Messages.",
        .german = "Die Datei sms.db im Backup in {path} ist keine Nachrichten-Datenbank.",
        .spanish = "El archivo sms.db de la copia de seguridad de {path} no es una base de datos de Mensajes.",
        .italian = "Il file sms.db del backup in {path} non è un database di Messaggi.",
        .turkish = "{path} içindeki yedekte bulunan sms.db dosyası bir Mesajlar veritabanı değil.",
        .brazilianPortuguese = "O arquivo sms.db do backup em {path} não é um banco de dados do Mensagens.",
        .europeanPortuguese = "O ficheiro sms.db da cópia de segurança em {path} não é uma base de dados de Mensagens.",
    },
    {
        .key = "backupIncomplete",
        .english = "The backup in {path} was never finished. Make the backup again.",
        .french = "La sauvegarde dans {path} n'a jamais été terminée. Refais la sauvegarde.",
        .german = "Das Backup in {path} wurde nie fertig. Mach das Backup noch einmal.",
        .spanish = "La copia de seguridad de {path} nunca se terminó. Vuelve a hacerla.",
        .italian = "Il backup in {path} non è mai stato completato. Rifai il backup.",
        .turkish = "{path} içindeki yedek hiç tamamlanmadı. Yedeği yeniden al.",
        .brazilianPortuguese = "O backup em {path} nunca foi concluído. Faça o backup de novo.",
        .europeanPortuguese = "A cópia de segurança em {path} nunca foi concluída. Faz uma nova.",
    },
    {
        .key = "unlockFailed",
        .english = "The backup in {path} couldn't be unlocked.",
        .french = "Impossible de déverrouiller la sauvegarde dans {path}.",
        .german = "Das Backup in {path} ließ sich nicht entsperren.",
        .spanish = "No se pudo desbloquear la copia de seguridad de {path}.",
        .italian = "Non è stato possibile sbloccare il backup in {path}.",
        .turkish = "{path} içindeki yedeğin kilidi açılamadı.",
        .brazilianPortuguese = "Não deu para desbloquear o backup em {path}.",
        .europeanPortuguese = "Não foi possível desbloquear a cópia de segurança em {path}.",
    },
    {
        .key = "backupsTitle",
        .english = "Pick a backup",
        .french = "Choisis une sauvegarde",
        .german = "Wähl ein Backup",
        .spanish = "Elige una copia de seguridad",
        .italian = "Scegli un backup",
        .turkish = "Bir yedek seç",
        .brazilianPortuguese = "Escolha um backup",
        .europeanPortuguese = "Escolhe uma cópia de segurança",
    },
    {
        .key = "encryptedBadge",
        .english = "ENCRYPTED",
        .french = "CHIFFRÉE",
        .german = "VERSCHLÜSSELT",
        .spanish = "CIFRADA",
        .italian = "CIFRATO",
        .turkish = "ŞİFRELİ",
        .brazilianPortuguese = "CRIPTOGRAFADO",
        .europeanPortuguese = "ENCRIPTADA",
    },
    {
        .key = "incompleteBadge",
        .english = "INCOMPLETE",
        .french = "INCOMPLÈTE",
        .german = "UNVOLLSTÄNDIG",
        .spanish = "INCOMPLETA",
        .italian = "INCOMPLETO",
        .turkish = "EKSİK",
        .brazilianPortuguese = "INCOMPLETO",
        .europeanPortuguese = "INCOMPLETA",
    },
    {
        .key = "passwordTitle",
        .english = "This backup is encrypted",
        .french = "Cette sauvegarde est chiffrée",
        .german = "Dieses Backup ist verschlüsselt",
        .spanish = "Esta copia de seguridad está cifrada",
        .italian = "Questo backup è cifrato",
        .turkish = "Bu yedek şifreli",
        .brazilianPortuguese = "Este backup está criptografado",
        .europeanPortuguese = "Esta cópia de segurança está encriptada",
    },
    {
        .key = "passwordBody",
        .english = "Type the backup password. It was set on the iPhone or in iTunes or Finder when encrypted backups "
                   "were switched on. It is not your Apple ID password and not the phone's passcode.",
        .french = "Tape le mot de passe de la sauvegarde. Il a été choisi sur l'iPhone ou dans iTunes ou le Finder en "
                  "activant les sauvegardes chiffrées. Ce n'est ni le mot de passe de ton identifiant Apple, ni le "
                  "code de l'iPhone.",
        .german = "Gib das Backup-Passwort ein. Es wurde auf dem iPhone oder in iTunes oder im Finder festgelegt, als "
                  "verschlüsselte Backups aktiviert wurden. Es ist nicht dein Apple-ID-Passwort und nicht der Code des "
                  "iPhone.",
        .spanish = "Escribe la contraseña de la copia. Se puso en el iPhone o en iTunes o el Finder al activar las "
                   "copias cifradas. No es la contraseña de tu Apple ID ni el código del iPhone.",
        .italian = "Scrivi la password del backup. È stata scelta sull'iPhone o in iTunes o nel Finder quando hai "
                   "attivato i backup cifrati. Non è la password del tuo ID Apple né il codice dell'iPhone.",
        .turkish = "Yedek parolasını yaz. Bu parola, şifreli yedekler açılırken iPhone'da ya da iTunes veya Finder'da "
                   "belirlendi. Apple Kimliği parolan da, telefonun şifresi de değil.",
        .brazilianPortuguese =
            "Digite a senha do backup. Ela foi definida no iPhone ou no iTunes ou Finder quando os backups "
            "criptografados foram ativados. Não é a senha do seu Apple ID nem o código do iPhone.",
        .europeanPortuguese =
            "Escreve a palavra-passe da cópia de segurança. Foi definida no iPhone ou no iTunes ou Finder quando "
            "ativaste as cópias encriptadas. Não é a palavra-passe do teu ID Apple nem o código do iPhone.",
    },
    {
        .key = "passwordPlaceholder",
        .english = "Backup password",
        .french = "Mot de passe de la sauvegarde",
        .german = "Backup-Passwort",
        .spanish = "Contraseña de la copia",
        .italian = "Password del backup",
        .turkish = "Yedek parolası",
        .brazilianPortuguese = "Senha do backup",
        .europeanPortuguese = "Palavra-passe da cópia",
    },
    {
        .key = "unlockButton",
        .english = "Unlock",
        .french = "Déverrouiller",
        .german = "Entsperren",
        .spanish = "Desbloquear",
        .italian = "Sblocca",
        .turkish = "Kilidi aç",
        .brazilianPortuguese = "Desbloquear",
        .europeanPortuguese = "Desbloquear",
    },
    {
        .key = "unlockingBackup",
        .english = "Unlocking… this takes a few seconds.",
        .french = "Déverrouillage… ça prend quelques secondes.",
        .german = "Wird entsperrt… das dauert ein paar Sekunden.",
        .spanish = "Desbloqueando… tarda unos segundos.",
        .italian = "Sblocco in corso… ci vuole qualche secondo.",
        .turkish = "Kilit açılıyor… bu birkaç saniye sürer.",
        .brazilianPortuguese = "Desbloqueando… isso leva alguns segundos.",
        .europeanPortuguese = "A desbloquear… demora uns segundos.",
    },
    {
        .key = "wrongPassword",
        .english = "That password didn't open the backup. Try again.",
        .french = "Ce mot de passe n'a pas ouvert la sauvegarde. Réessaie.",
        .german = "Mit diesem Passwort ging das Backup nicht auf. Versuch's nochmal.",
        .spanish = "Esa contraseña no abrió la copia. Inténtalo de nuevo.",
        .italian = "Questa password non ha aperto il backup. Riprova.",
        .turkish = "Bu parola yedeği açmadı. Tekrar dene.",
        .brazilianPortuguese = "Essa senha não abriu o backup. Tente de novo.",
        .europeanPortuguese = "Essa palavra-passe não abriu a cópia. Tenta outra vez.",
    },
    {
        .key = "otherMessages",
        .english = "Open another backup or file",
        .french = "Ouvrir une autre sauvegarde ou un autre fichier",
        .german = "Anderes Backup oder andere Datei öffnen",
        .spanish = "Abrir otra copia u otro archivo",
        .italian = "Apri un altro backup o file",
        .turkish = "Başka bir yedek ya da dosya aç",
        .brazilianPortuguese = "Abrir outro backup ou arquivo",
        .europeanPortuguese = "Abrir outra cópia ou ficheiro",
    },
    {
        .key = "contactsFileTitle",
        .english = "Choose a contacts file (vCard)",
        .french = "Choisis un fichier de contacts (vCard)",
        .german = "Wähl eine Kontaktdatei (vCard)",
        .spanish = "Elige un archivo de contactos (vCard)",
        .italian = "Scegli un file di contatti (vCard)",
        .turkish = "Bir kişiler dosyası seç (vCard)",
        .brazilianPortuguese = "Escolha um arquivo de contatos (vCard)",
        .europeanPortuguese = "Escolhe um ficheiro de contactos (vCard)",
    },
    {
        .key = "chooseContactsFile",
        .english = "Names from a contacts file",
        .french = "Des noms depuis un fichier de contacts",
        .german = "Namen aus einer Kontaktdatei",
        .spanish = "Nombres de un archivo de contactos",
        .italian = "Nomi da un file di contatti",
        .turkish = "Bir kişiler dosyasından isimler",
        .brazilianPortuguese = "Nomes de um arquivo de contatos",
        .europeanPortuguese = "Nomes de um ficheiro de contactos",
    },
    {
        .key = "couldNotOpen",
        .english = "Nothing could open this. Copy it from here:",
        .french = "Rien n'a pu l'ouvrir. Copie-le d'ici :",
        .german = "Das ließ sich nicht öffnen. Kopier es von hier:",
        .spanish = "No se pudo abrir. Cópialo desde aquí:",
        .italian = "Non è stato possibile aprirlo. Copialo da qui:",
        .turkish = "Bu açılamadı. Buradan kopyala:",
        .brazilianPortuguese = "Não deu para abrir. Copie daqui:",
        .europeanPortuguese = "Não foi possível abrir. Copia daqui:",
    },
    {
        .key = "copyButton",
        .english = "Copy",
        .french = "Copier",
        .german = "Kopieren",
        .spanish = "Copiar",
        .italian = "Copia",
        .turkish = "Kopyala",
        .brazilianPortuguese = "Copiar",
        .europeanPortuguese = "Copiar",
    },
    {
        .key = "tooManyRounds",
        .english = "The backup in {path} asks for {rounds} password rounds; an iPhone uses {phoneRounds}. It was not "
                   "unlocked.",
        .french = "La sauvegarde dans {path} demande {rounds} tours de mot de passe ; un iPhone en utilise "
                  "{phoneRounds}. Elle n'a pas été déverrouillée.",
        .german = "Das Backup in {path} verlangt {rounds} Passwortrunden; ein iPhone nutzt {phoneRounds}. Es wurde "
                  "nicht entsperrt.",
        .spanish = "La copia de seguridad de {path} pide {rounds} rondas de contraseña; un iPhone usa {phoneRounds}. "
                   "No se ha desbloqueado.",
        .italian = "Il backup in {path} chiede {rounds} cicli di password; un iPhone ne usa {phoneRounds}. Non è stato "
                   "sbloccato.",
        .turkish = "{path} içindeki yedek {rounds} parola turu istiyor; bir iPhone {phoneRounds} kullanır. Kilidi "
                   "açılmadı.",
        .brazilianPortuguese =
            "O backup em {path} pede {rounds} rodadas de senha; um iPhone usa {phoneRounds}. Ele não "
            "foi desbloqueado.",
        .europeanPortuguese = "A cópia de segurança em {path} pede {rounds} rondas de palavra-passe; um iPhone usa "
                              "{phoneRounds}. Não foi desbloqueada.",
    },
    {
        .key = "foundSources",
        .english = "On this computer",
        .french = "Sur cet ordinateur",
        .german = "Auf diesem Computer",
        .spanish = "En este ordenador",
        .italian = "Su questo computer",
        .turkish = "Bu bilgisayarda",
        .brazilianPortuguese = "Neste computador",
        .europeanPortuguese = "Neste computador",
    },
    {
        .key = "lookingForSources",
        .english = "Looking for messages on this computer…",
        .french = "Recherche de messages sur cet ordinateur…",
        .german = "Suche nach Nachrichten auf diesem Computer…",
        .spanish = "Buscando mensajes en este ordenador…",
        .italian = "Cerco messaggi su questo computer…",
        .turkish = "Bu bilgisayarda mesajlar aranıyor…",
        .brazilianPortuguese = "Procurando mensagens neste computador…",
        .europeanPortuguese = "A procurar mensagens neste computador…",
    },
    {
        .key = "messagesDatabaseRow",
        .english = "Messages database (chat.db)",
        .french = "Base de données de Messages (chat.db)",
        .german = "Nachrichten-Datenbank (chat.db)",
        .spanish = "Base de datos de Mensajes (chat.db)",
        .italian = "Database di Messaggi (chat.db)",
        .turkish = "Mesajlar veritabanı (chat.db)",
        .brazilianPortuguese = "Banco de dados do Mensagens (chat.db)",
        .europeanPortuguese = "Base de dados das Mensagens (chat.db)",
    },
    {
        .key = "forgetSource",
        .english = "Forget",
        .french = "Oublier",
        .german = "Vergessen",
        .spanish = "Olvidar",
        .italian = "Dimentica",
        .turkish = "Unut",
        .brazilianPortuguese = "Esquecer",
        .europeanPortuguese = "Esquecer",
    },
    {
        .key = "backupToolMissing",
        .english = "idevicebackup2 isn't installed here. Install the package libimobiledevice-utils first.",
        .french = "idevicebackup2 n'est pas installé ici. Installe d'abord le paquet libimobiledevice-utils.",
        .german = "idevicebackup2 ist hier nicht installiert. Installier zuerst das Paket libimobiledevice-utils.",
        .spanish = "idevicebackup2 no está instalado aquí. Instala primero el paquete libimobiledevice-utils.",
        .italian = "idevicebackup2 non è installato qui. Installa prima il pacchetto libimobiledevice-utils.",
        .turkish = "idevicebackup2 burada kurulu değil. Önce libimobiledevice-utils paketini kur.",
        .brazilianPortuguese =
            "O idevicebackup2 não está instalado aqui. Instale antes o pacote libimobiledevice-utils.",
        .europeanPortuguese =
            "O idevicebackup2 não está instalado aqui. Instala primeiro o pacote libimobiledevice-utils.",
    },
    {
        .key = "goBack",
        .english = "Back",
        .french = "Retour",
        .german = "Zurück",
        .spanish = "Atrás",
        .italian = "Indietro",
        .turkish = "Geri",
        .brazilianPortuguese = "Voltar",
        .europeanPortuguese = "Voltar",
    },
    {
        .key = "allowContactsLinux",
        .english = "Choose a contacts file",
        .french = "Choisir un fichier de contacts",
        .german = "Kontaktdatei wählen",
        .spanish = "Elegir un archivo de contactos",
        .italian = "Scegli un file di contatti",
        .turkish = "Kişiler dosyası seç",
        .brazilianPortuguese = "Escolher um arquivo de contatos",
        .europeanPortuguese = "Escolher um ficheiro de contactos",
    },
    {
        .key = "contactsFileHint",
        .english = "No file yet? Export one as vCard from Contacts on iCloud.com, from Google Contacts, or from your "
                   "phone's Contacts app.",
        .french = "Pas encore de fichier ? Exporte-le en vCard depuis Contacts sur iCloud.com, depuis Google Contacts "
                  "ou depuis l'app Contacts de ton téléphone.",
        .german =
            "Noch keine Datei? Exportier eine als vCard aus Kontakte auf iCloud.com, aus Google Kontakte oder aus "
            "der Kontakte-App deines Handys.",
        .spanish = "¿Aún no tienes archivo? Expórtalo en vCard desde Contactos en iCloud.com, desde Google Contactos o "
                   "desde la app Contactos de tu teléfono.",
        .italian =
            "Non hai ancora un file? Esportalo in vCard da Contatti su iCloud.com, da Google Contatti o dall'app "
            "Contatti del telefono.",
        .turkish = "Henüz dosyan yok mu? iCloud.com'daki Kişiler'den, Google Kişiler'den ya da telefonunun Kişiler "
                   "uygulamasından vCard olarak dışa aktar.",
        .brazilianPortuguese = "Ainda não tem o arquivo? Exporte em vCard pelo Contatos no iCloud.com, pelo Google "
                               "Contatos ou pelo app Contatos do celular.",
        .europeanPortuguese = "Ainda não tens o ficheiro? Exporta-o em vCard a partir dos Contactos no iCloud.com, do "
                              "Google Contactos ou da app Contactos do telemóvel.",
    },
    {
        .key = "contactsFileEmpty",
        .english = "{path} holds no contacts Tovik can read. Choose a vCard file (.vcf).",
        .french = "{path} ne contient aucun contact lisible par Tovik. Choisis un fichier vCard (.vcf).",
        .german = "{path} enthält keine Kontakte, die Tovik lesen kann. Wähl eine vCard-Datei (.vcf).",
        .spanish = "{path} no contiene contactos que Tovik pueda leer. Elige un archivo vCard (.vcf).",
        .italian = "{path} non contiene contatti che Tovik possa leggere. Scegli un file vCard (.vcf).",
        .turkish = "{path} Tovik'in okuyabileceği hiçbir kişi içermiyor. Bir vCard dosyası (.vcf) seç.",
        .brazilianPortuguese =
            "{path} não tem nenhum contato que a Tovik consiga ler. Escolha um arquivo vCard (.vcf).",
        .europeanPortuguese = "{path} não tem contactos que a Tovik consiga ler. Escolhe um ficheiro vCard (.vcf).",
    },
    {
        .key = "contactsFileTooLarge",
        .english = "{path} is too large to be a contacts file.",
        .french = "{path} est trop volumineux pour être un fichier de contacts.",
        .german = "{path} ist zu groß für eine Kontaktdatei.",
        .spanish = "{path} es demasiado grande para ser un archivo de contactos.",
        .italian = "{path} è troppo grande per essere un file di contatti.",
        .turkish = "{path} bir kişiler dosyası olamayacak kadar büyük.",
        .brazilianPortuguese = "{path} é grande demais para ser um arquivo de contatos.",
        .europeanPortuguese = "{path} é demasiado grande para ser um ficheiro de contactos.",
    },
    {
        .key = "fileReadFailed",
        .english = "{path} couldn't be read.",
        .french = "Impossible de lire {path}.",
        .german = "{path} ließ sich nicht lesen.",
        .spanish = "No se pudo leer {path}.",
        .italian = "Non è stato possibile leggere {path}.",
        .turkish = "{path} okunamadı.",
        .brazilianPortuguese = "Não deu para ler {path}.",
        .europeanPortuguese = "Não foi possível ler {path}.",
    },
    {
        .key = "backupContactsUnreadable",
        .english = "The backup's address book couldn't be read, so the list shows numbers instead of names.",
        .french = "Le carnet d'adresses de la sauvegarde n'a pas pu être lu : la liste affiche des numéros au lieu "
                  "des noms.",
        .german = "Das Adressbuch des Backups ließ sich nicht lesen, deshalb zeigt die Liste Nummern statt Namen.",
        .spanish = "No se pudo leer la agenda de la copia de seguridad, así que la lista muestra números en vez de "
                   "nombres.",
        .italian =
            "Non è stato possibile leggere la rubrica del backup, quindi l'elenco mostra numeri invece dei nomi.",
        .turkish = "Yedeğin adres defteri okunamadı, bu yüzden listede isimler yerine numaralar var.",
        .brazilianPortuguese = "Não deu para ler a agenda do backup, então a lista mostra números em vez de nomes.",
        .europeanPortuguese =
            "Não foi possível ler os contactos da cópia de segurança, por isso a lista mostra números "
            "em vez de nomes.",
    },
    {
        .key = "olderMessagesHintDatabase",
        .english = "Older messages missing? On the Mac, turn on Messages in iCloud, let it sync, then copy chat.db "
                   "again.",
        .french = "Il manque des vieux messages ? Sur le Mac, active Messages dans iCloud, laisse synchroniser, puis "
                  "copie à nouveau chat.db.",
        .german = "Ältere Nachrichten fehlen? Aktivier auf dem Mac „Nachrichten in iCloud“, lass alles "
                  "synchronisieren und kopier dann chat.db neu.",
        .spanish = "¿Faltan mensajes antiguos? En el Mac, activa Mensajes en iCloud, deja que se sincronice y vuelve "
                   "a copiar chat.db.",
        .italian = "Mancano messaggi vecchi? Sul Mac attiva Messaggi su iCloud, lascia che si sincronizzi, poi copia "
                   "di nuovo chat.db.",
        .turkish = "Eski mesajlar eksik mi? Mac'te iCloud'da Mesajlar'ı etkinleştir, eşzamanlanmasını bekle, sonra "
                   "chat.db'yi yeniden kopyala.",
        .brazilianPortuguese =
            "Faltam mensagens antigas? No Mac, ative Mensagens no iCloud, deixe sincronizar e copie o chat.db de novo.",
        .europeanPortuguese = "Faltam mensagens antigas? No Mac, ativa Mensagens em iCloud, deixa sincronizar e depois "
                              "copia outra vez o chat.db.",
    },
    {
        .key = "sourceNoMessagesInFolder",
        .english = "There is no Messages database or iPhone backup in {path}.",
        .french = "Il n'y a ni base de données Messages ni sauvegarde d'iPhone dans {path}.",
        .german = "In {path} gibt es weder eine Nachrichten-Datenbank noch ein iPhone-Backup.",
        .spanish = "En {path} no hay ninguna base de datos de Mensajes ni copia de seguridad del iPhone.",
        .italian = "In {path} non c'è né un database di Messaggi né un backup dell'iPhone.",
        .turkish = "{path} içinde ne bir Mesajlar veritabanı ne de bir iPhone yedeği var.",
        .brazilianPortuguese = "Não tem nenhum banco de dados do Mensagens nem backup do iPhone em {path}.",
        .europeanPortuguese = "Não há nenhuma base de dados de Mensagens nem cópia de segurança do iPhone em {path}.",
    },
    {
        .key = "exportFailedNoSpace",
        .english = "There's no space left on the disk.",
        .french = "Il n'y a plus de place sur le disque.",
        .german = "Auf dem Datenträger ist kein Platz mehr.",
        .spanish = "No queda espacio en el disco.",
        .italian = "Non c'è più spazio sul disco.",
        .turkish = "Diskte yer kalmadı.",
        .brazilianPortuguese = "Não tem mais espaço no disco.",
        .europeanPortuguese = "Já não há espaço no disco.",
    },
    {
        .key = "exportFailedNotWritable",
        .english = "Tovik can't write to {path}.",
        .french = "Tovik ne peut pas écrire dans {path}.",
        .german = "Tovik kann nicht in {path} schreiben.",
        .spanish = "Tovik no puede escribir en {path}.",
        .italian = "Tovik non può scrivere in {path}.",
        .turkish = "Tovik {path} konumuna yazamıyor.",
        .brazilianPortuguese = "A Tovik não consegue gravar em {path}.",
        .europeanPortuguese = "A Tovik não consegue escrever em {path}.",
    },
    {
        .key = "exportFailedSourceGone",
        .english = "The messages can no longer be read.",
        .french = "Les messages ne peuvent plus être lus.",
        .german = "Die Nachrichten lassen sich nicht mehr lesen.",
        .spanish = "Ya no se pueden leer los mensajes.",
        .italian = "Non è più possibile leggere i messaggi.",
        .turkish = "Mesajlar artık okunamıyor.",
        .brazilianPortuguese = "Não dá mais para ler as mensagens.",
        .europeanPortuguese = "Já não é possível ler as mensagens.",
    },
    {
        .key = "doneTitleLinux",
        .english = "Saved in {folder}!",
        .french = "Enregistré dans {folder} !",
        .german = "In „{folder}“ gespeichert!",
        .spanish = "¡Guardado en {folder}!",
        .italian = "Salvato in {folder}!",
        .turkish = "{folder} klasörüne kaydedildi!",
        .brazilianPortuguese = "Salvo em {folder}!",
        .europeanPortuguese = "Guardado em {folder}!",
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

// The same for a text with words of its own on Linux, under the key name + "Linux".
#define TOVIK_DESKTOP_TEXT_ACCESSOR(name)                                                                              \
    const std::string &name()                                                                                          \
    {                                                                                                                  \
        constexpr std::size_t row = rowOf(linuxWords ? #name "Linux" : #name);                                         \
        static_assert(row < stringEntries.size(), "no string entry for " #name);                                       \
        static const std::string text = localizedRow(row);                                                             \
        return text;                                                                                                   \
    }

TOVIK_TEXT_ACCESSOR(welcomeTitle)
TOVIK_TEXT_ACCESSOR(welcomeBody)
TOVIK_DESKTOP_TEXT_ACCESSOR(privacyTitle)
TOVIK_DESKTOP_TEXT_ACCESSOR(privacyBody)
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
TOVIK_DESKTOP_TEXT_ACCESSOR(contactsBody)
TOVIK_DESKTOP_TEXT_ACCESSOR(allowContacts)
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
TOVIK_DESKTOP_TEXT_ACCESSOR(olderMessagesHint)
TOVIK_DESKTOP_TEXT_ACCESSOR(doneTitle)
TOVIK_TEXT_ACCESSOR(doneBody)
TOVIK_TEXT_ACCESSOR(uploadButton)
TOVIK_DESKTOP_TEXT_ACCESSOR(showInFinder)
TOVIK_TEXT_ACCESSOR(exportAnother)
TOVIK_TEXT_ACCESSOR(exportFailed)
TOVIK_TEXT_ACCESSOR(sourceTitle)
TOVIK_TEXT_ACCESSOR(sourceBody)
TOVIK_TEXT_ACCESSOR(sourceBackupHint)
TOVIK_TEXT_ACCESSOR(chooseSource)
TOVIK_TEXT_ACCESSOR(chooseSourceTitle)
TOVIK_TEXT_ACCESSOR(checkingSource)
TOVIK_TEXT_ACCESSOR(sourceNotFound)
TOVIK_TEXT_ACCESSOR(sourceUnreadable)
TOVIK_TEXT_ACCESSOR(sourceNotRegularFile)
TOVIK_TEXT_ACCESSOR(sourceNotMessages)
TOVIK_TEXT_ACCESSOR(databaseTooOld)
TOVIK_TEXT_ACCESSOR(backupWithoutMessages)
TOVIK_TEXT_ACCESSOR(backupTooOld)
TOVIK_TEXT_ACCESSOR(backupWithoutManifest)
TOVIK_TEXT_ACCESSOR(backupNotMessages)
TOVIK_TEXT_ACCESSOR(backupIncomplete)
TOVIK_TEXT_ACCESSOR(unlockFailed)
TOVIK_TEXT_ACCESSOR(backupsTitle)
TOVIK_TEXT_ACCESSOR(encryptedBadge)
TOVIK_TEXT_ACCESSOR(incompleteBadge)
TOVIK_TEXT_ACCESSOR(passwordTitle)
TOVIK_TEXT_ACCESSOR(passwordBody)
TOVIK_TEXT_ACCESSOR(passwordPlaceholder)
TOVIK_TEXT_ACCESSOR(unlockButton)
TOVIK_TEXT_ACCESSOR(unlockingBackup)
TOVIK_TEXT_ACCESSOR(wrongPassword)
TOVIK_TEXT_ACCESSOR(otherMessages)
TOVIK_TEXT_ACCESSOR(contactsFileTitle)
TOVIK_TEXT_ACCESSOR(chooseContactsFile)
TOVIK_TEXT_ACCESSOR(couldNotOpen)
TOVIK_TEXT_ACCESSOR(copyButton)
TOVIK_TEXT_ACCESSOR(tooManyRounds)
TOVIK_TEXT_ACCESSOR(foundSources)
TOVIK_TEXT_ACCESSOR(lookingForSources)
TOVIK_TEXT_ACCESSOR(messagesDatabaseRow)
TOVIK_TEXT_ACCESSOR(forgetSource)
TOVIK_TEXT_ACCESSOR(backupToolMissing)
TOVIK_TEXT_ACCESSOR(goBack)
TOVIK_TEXT_ACCESSOR(contactsFileHint)
TOVIK_TEXT_ACCESSOR(contactsFileEmpty)
TOVIK_TEXT_ACCESSOR(contactsFileTooLarge)
TOVIK_TEXT_ACCESSOR(fileReadFailed)
TOVIK_TEXT_ACCESSOR(backupContactsUnreadable)
TOVIK_TEXT_ACCESSOR(olderMessagesHintDatabase)
TOVIK_TEXT_ACCESSOR(sourceNoMessagesInFolder)
TOVIK_TEXT_ACCESSOR(exportFailedNoSpace)
TOVIK_TEXT_ACCESSOR(exportFailedNotWritable)
TOVIK_TEXT_ACCESSOR(exportFailedSourceGone)

#undef TOVIK_TEXT_ACCESSOR
#undef TOVIK_DESKTOP_TEXT_ACCESSOR

} // namespace l10n
