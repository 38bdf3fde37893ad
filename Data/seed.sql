-- The database every user starts from. Its tables hold only their first columns: the
-- program adds the later ones (attribution, nameindex, record_guid) and table_template when
-- it starts, as it does for databases made by earlier versions.

create table table_setting(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, value1 text,
                           value2 integer);
-- The program only updates these rows, so they must exist from the start.
insert into table_setting(name, value1, value2) values ('fenjiCode', '', 0);
insert into table_setting(name, value1, value2) values ('areaCode', '', 0);
insert into table_setting(name, value1, value2) values ('ipCode', '', 0);
insert into table_setting(name, value1, value2) values ('switchIP', '', 0);
insert into table_setting(name, value1, value2) values ('screenoff', '', 0);

create table table_user(id INTEGER PRIMARY KEY, account text, password text,
                        rememberpsd integer, name text, company text);
insert into table_user(id, account, password, rememberpsd, name, company)
    values (0, '', '', 0, '', '');

-- Ids are never reused: notes point at call-log entries and reminders are numbered by id.
create table table_contact(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, phone text,
                           head text, email text, company text, home text, other text,
                           cid text, datetime text);
create index table_contact_phone on table_contact(phone);

create table table_log(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, phone text, head text,
                       date_time text, type integer, areacode text, corp text);

create table table_sms(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, phone text, head text,
                       date_time text, content text);
create index table_sms_phone on table_sms(phone);

create table table_notepad(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, phone text,
                           head text, date_time text, content text, cid integer);
create index table_notepad_cid on table_notepad(cid);
