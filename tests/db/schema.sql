-- The database objects the library reads and writes, as the host's database has them.
set client_min_messages = warning;

-- The business-day options of the host; GetDate() is selected once per row.
create table HotelOption (
  OptionID integer primary key default 1
);
insert into HotelOption default values;

-- Staff, as the host keeps them; the library reads only the view.
create table HotelUser (
  UserID     varchar(4)  not null,
  UserName   varchar(10),
  PassNo     varchar(30),
  AccessCode varchar(40)
);
create view HotelUser_V as select UserID, UserName, PassNo, AccessCode from HotelUser;

create table OnDuty (
  HotelDate varchar(10),
  UserID    varchar(4),
  UserName  varchar(10),
  PassNo    varchar(30),
  OnTime    timestamp,
  OffTime   timestamp
);

-- The server's clock. A test pins it by putting one instant into TestClock;
-- with TestClock empty it is the real time, to the second.
create table TestClock (
  Instant timestamp
);
create function GetDate() returns timestamp language sql stable as $$
  select coalesce((select Instant from TestClock limit 1), localtimestamp(0))
$$;
