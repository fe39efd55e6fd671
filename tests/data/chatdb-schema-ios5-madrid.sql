-- Messages database (sms.db) in the layout of iOS 5 and earlier, in outline: SMS and iMessage
-- ("madrid") messages in one message table, conversations in msg_group with their members in
-- group_member; no chat, handle or join tables. Without indexes and triggers.

CREATE TABLE _SqliteDatabaseProperties (key TEXT, value TEXT, UNIQUE(key));

CREATE TABLE message (
    ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
    address TEXT,
    date INTEGER,
    text TEXT,
    flags INTEGER,
    replace INTEGER,
    svc_center TEXT,
    group_id INTEGER,
    association_id INTEGER,
    height INTEGER,
    UIFlags INTEGER,
    version INTEGER,
    subject TEXT,
    country TEXT,
    headers BLOB,
    recipients BLOB,
    read INTEGER,
    madrid_attributedBody BLOB,
    madrid_handle TEXT,
    madrid_version INTEGER,
    madrid_guid TEXT,
    madrid_type INTEGER,
    madrid_roomname TEXT,
    madrid_service TEXT,
    madrid_account TEXT,
    madrid_account_guid TEXT,
    madrid_flags INTEGER,
    madrid_attachmentInfo BLOB,
    madrid_url TEXT,
    madrid_error INTEGER,
    is_madrid INTEGER,
    madrid_date_read INTEGER,
    madrid_date_delivered INTEGER
);

CREATE TABLE msg_group (
    ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
    type INTEGER,
    newest_message INTEGER,
    unread_count INTEGER,
    hash INTEGER
);

CREATE TABLE group_member (
    ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
    group_id INTEGER,
    address TEXT,
    country TEXT
);

CREATE TABLE msg_pieces (
    ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
    message_id INTEGER,
    data BLOB,
    part_id INTEGER,
    preview_part INTEGER,
    content_type TEXT,
    height INTEGER,
    version INTEGER,
    flags INTEGER,
    content_id TEXT,
    content_loc TEXT,
    headers BLOB
);
