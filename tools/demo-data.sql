-- Demo staff for tools/demo.sh. Cards are stored in both forms a site may use:
-- the bare number and the whole framed track.
set client_encoding = 'UTF8';
insert into HotelUser (UserID, UserName, PassNo, AccessCode) values
  ('0001', '张伟', 'P-1001', '12345'),
  ('0002', '李娜', 'P-1002', ';23456?'),
  ('0003', 'Maria', 'P-1003', '34567'),
  ('0004', '王芳', 'P-1004', ';45678?');
