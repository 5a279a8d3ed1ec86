PRAGMA foreign_keys=OFF;
BEGIN TRANSACTION;
CREATE TABLE settings(key TEXT PRIMARY KEY, value TEXT NOT NULL);
INSERT INTO settings VALUES('version','1.0.0');
INSERT INTO settings VALUES('MainInfoTime','20261201080000');
INSERT INTO settings VALUES('welcome_content','欢迎使用墨韵阁中文写作平台！点击这里查看使用帮助。');
INSERT INTO settings VALUES('welcome_url','/help.aspx');
INSERT INTO settings VALUES('seeded','2026-12-11 06:12:19');
CREATE TABLE users(
  id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, pwd_md5 TEXT NOT NULL, user_no TEXT NOT NULL,
  true_name TEXT NOT NULL DEFAULT '', school TEXT NOT NULL DEFAULT '', phone TEXT NOT NULL DEFAULT '',
  email TEXT NOT NULL DEFAULT '', status TEXT NOT NULL DEFAULT '', ut TEXT NOT NULL DEFAULT '',
  disabled INTEGER NOT NULL DEFAULT 0, registered INTEGER NOT NULL DEFAULT 1, pwd_hash TEXT NOT NULL DEFAULT '');
INSERT INTO users VALUES(1,'xuesheng','','10001','李明','城南实验中学','010-62345678','liming@example.com','1','学生',0,1,'$argon2id$v=19$m=19456,t=2,p=1$ue2ffHdPxBimmqihIO6sQA$9qz9Q1vTYmRI/tmts/ZGlQ2Rfw68Ok1iF/VjYXURVAQ');
INSERT INTO users VALUES(2,'tongxue','','10002','王小雨','城北第二中学','','','1','学生',0,1,'$argon2id$v=19$m=19456,t=2,p=1$a6Ptcs0mJbt0PanhP3xT/g$sN8r4sx6U9Pnkb2uFGCmfqUb+Ybt9vmgiPZlCjSf+Q4');
INSERT INTO users VALUES(3,'laoshi','','10003','陈老师','城南实验中学','010-62340000','chen@example.com','1','教师',0,1,'$argon2id$v=19$m=19456,t=2,p=1$O2UP10VA86uKGqfG7MwF6A$yLSQ99fpqI+wzzmWqujmt6LONjnQCY4W0HSQFzi5LhE');
INSERT INTO users VALUES(4,'jinyong','','10004','赵停用','城东中学','','','0','学生',1,1,'$argon2id$v=19$m=19456,t=2,p=1$gloiPD/RkMC5mWni5WnB5g$2bSsS1P/a17e8zX9FKOuwy1G4JViFRMBMcWIbAEwFOg');
INSERT INTO users VALUES(5,'weizhuce','','10005','孙未完','','','','2','学生',0,0,'$argon2id$v=19$m=19456,t=2,p=1$VP9OVfvMry70RbtHKfSywQ$t4LMDdYZQHldOEggreJMTsbasf9MpSfoUTIXCVLavM0');
CREATE TABLE signins(user_id INTEGER PRIMARY KEY, device_code TEXT NOT NULL, signed_in TEXT NOT NULL);
INSERT INTO signins VALUES(1,'LEGACY-DEVICE','2026-12-11 06:12:19');
CREATE TABLE mainpage(
  id INTEGER PRIMARY KEY, name TEXT NOT NULL, class TEXT NOT NULL, type TEXT NOT NULL, con TEXT NOT NULL);
INSERT INTO mainpage VALUES(1,'张同学','初二（3）班','1','以前写作文总是不知道怎么开头，现在一边写一边看语料，古人的好句子给了我很多灵感。');
INSERT INTO mainpage VALUES(2,'刘同学','初一（1）班','1','我最喜欢作文大赛，限时写作很紧张，但写完以后特别有成就感。');
INSERT INTO mainpage VALUES(3,'周同学','初三（2）班','1','“我的文库”把我三年的作文都存下来了，翻一翻就能看到自己的进步。');
INSERT INTO mainpage VALUES(4,'吴同学','高一（5）班','1','绿色的关键词一点就能看到诗句，写景的时候再也不只会写“很美”了。');
INSERT INTO mainpage VALUES(5,'教育周刊','教育媒体','2','墨韵阁把经典诗文融入日常写作练习，让学生在写作中自然地积累语言。');
INSERT INTO mainpage VALUES(6,'语文报','专业报刊','2','平台的语料库来自历代经典作品，为中学生的描写和抒情提供了丰富的参考。');
INSERT INTO mainpage VALUES(7,'晨报','综合媒体','2','一年一度的中学生作文大赛吸引了众多学校参加，初赛与复赛全部在线完成。');
INSERT INTO mainpage VALUES(8,'读书频道','网络媒体','2','写作需要积累，更需要练习。墨韵阁为学生提供了一个安静、专注的写作空间。');
CREATE TABLE keywords(id INTEGER PRIMARY KEY, keyword TEXT NOT NULL, hits INTEGER NOT NULL DEFAULT 0);
INSERT INTO keywords VALUES(1,'何处',0);
INSERT INTO keywords VALUES(2,'相思',0);
CREATE TABLE works(
  id INTEGER PRIMARY KEY, title TEXT NOT NULL, source TEXT NOT NULL, author TEXT NOT NULL, text TEXT NOT NULL);
INSERT INTO works VALUES(1,'夜上受降城闻笛','唐诗','李益',replace('回乐烽前沙似雪，受降城外月如霜。\n不知何处吹芦管，一夜征人尽望乡。','\n',char(10)));
INSERT INTO works VALUES(2,'酒泉子','宋词','潘阆',replace('长忆西山，灵隐寺前三竺后。\n冷泉亭上旧曾游。\n三伏似清秋。\n白猿时见攀高树。\n长啸一声何处去。\n别来几向画阑看。\n终是欠峰峦。','\n',char(10)));
CREATE TABLE corpus(
  id INTEGER PRIMARY KEY, keyword_id INTEGER NOT NULL, work_id INTEGER NOT NULL, brief TEXT NOT NULL,
  hits INTEGER NOT NULL DEFAULT 0);
INSERT INTO corpus VALUES(1,1,1,'不知何处吹芦管，一夜征人尽望乡。',0);
INSERT INTO corpus VALUES(2,1,2,'长啸一声何处去。',0);
CREATE TABLE compositions(
  id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER NOT NULL, title TEXT NOT NULL,
  content TEXT NOT NULL, from_type INTEGER NOT NULL, from_id INTEGER NOT NULL,
  create_time TEXT NOT NULL, update_time TEXT NOT NULL);
INSERT INTO compositions VALUES(10001,1,'我的家乡','家乡的春天来得很早。',0,0,'2026-12-11 06:12:25','2026-12-11 06:12:25');
INSERT INTO compositions VALUES(10002,1,'秋天','秋天的树叶黄了。',0,0,'2026-12-11 06:12:25','2026-12-11 06:12:25');
CREATE TABLE activities(
  id INTEGER PRIMARY KEY, theme TEXT NOT NULL, url_path TEXT NOT NULL, status TEXT NOT NULL,
  is_meg TEXT NOT NULL, round INTEGER NOT NULL, title TEXT NOT NULL, desc TEXT NOT NULL,
  times TEXT NOT NULL, supinfo TEXT NOT NULL, deadline TEXT NOT NULL, finalists TEXT NOT NULL,
  page TEXT NOT NULL);
INSERT INTO activities VALUES(1,'春天的故事','/activity/1.aspx','2','True',1,'初赛：春天的故事','以“春天的故事”为题，写一篇记叙文。要求：内容真实，感情真挚，语言通顺，不少于600字。','','','2099-12-31 23:59:59','','“春天的故事”中学生作文大赛初赛正在进行。请点击下方的写作按钮，在线完成初赛作文。每位同学只能提交一次。');
INSERT INTO activities VALUES(2,'古诗词里的中国','/activity/2.aspx','2','True',2,'复赛：古诗词里的中国','','60','复赛为限时写作，请在规定时间内完成并提交；截止后提交的作品不再受理。','2099-12-31 23:59:59','','“古诗词里的中国”作文大赛复赛正在进行。请选择一个题目，在60分钟内完成写作。');
CREATE TABLE topics(
  mid INTEGER PRIMARY KEY, activity_id INTEGER NOT NULL, title TEXT NOT NULL, desc TEXT NOT NULL,
  writer TEXT NOT NULL, type TEXT NOT NULL);
INSERT INTO topics VALUES(201,2,'月是故乡明','由一句写月的古诗写起，写出你对故乡的思念，不少于700字。','李评委','散文');
INSERT INTO topics VALUES(202,2,'春风又绿江南岸','写一次你眼中春天的变化，注意景物描写的层次。','王评委','记叙文');
INSERT INTO topics VALUES(203,2,'读书之乐','结合你读过的一本书，谈谈读书带给你的快乐。','张评委','议论文');
INSERT INTO topics VALUES(204,2,'山水之间','记一次登山或游水的经历，借景抒情。','刘评委','游记');
INSERT INTO topics VALUES(205,2,'我的老师','通过一两件小事刻画一位老师的形象。','陈评委','记叙文');
INSERT INTO topics VALUES(206,2,'门前的那棵树','以一棵树为线索，写出岁月与成长。','赵评委','散文');
CREATE TABLE entries(
  id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, activity_id INTEGER NOT NULL, round INTEGER NOT NULL,
  match_id INTEGER NOT NULL, title TEXT NOT NULL, content TEXT NOT NULL, comp_id INTEGER NOT NULL,
  create_time TEXT NOT NULL, UNIQUE(user_id, activity_id, round));
CREATE TABLE messages(
  id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, content TEXT NOT NULL, url TEXT NOT NULL,
  delivered INTEGER NOT NULL DEFAULT 0);
INSERT INTO messages VALUES(1,4,'欢迎使用墨韵阁中文写作平台！点击这里查看使用帮助。','/help.aspx',0);
INSERT INTO messages VALUES(2,3,'欢迎使用墨韵阁中文写作平台！点击这里查看使用帮助。','/help.aspx',0);
INSERT INTO messages VALUES(3,2,'欢迎使用墨韵阁中文写作平台！点击这里查看使用帮助。','/help.aspx',0);
INSERT INTO messages VALUES(4,5,'欢迎使用墨韵阁中文写作平台！点击这里查看使用帮助。','/help.aspx',0);
INSERT INTO messages VALUES(5,1,'欢迎使用墨韵阁中文写作平台！点击这里查看使用帮助。','/help.aspx',0);
CREATE TABLE scores(id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, score TEXT NOT NULL, create_time TEXT NOT NULL);
CREATE TABLE ideas(id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, content TEXT NOT NULL, create_time TEXT NOT NULL);
INSERT INTO ideas VALUES(1,1,'希望多一些题目','2026-12-11 06:12:25');
CREATE TABLE shares(
  id INTEGER PRIMARY KEY, webid TEXT NOT NULL, url TEXT NOT NULL, title TEXT NOT NULL,
  summary TEXT NOT NULL, arrived TEXT NOT NULL);
DELETE FROM sqlite_sequence;
INSERT INTO sqlite_sequence VALUES('compositions',10002);
CREATE INDEX corpus_by_keyword ON corpus(keyword_id);
CREATE INDEX compositions_by_user ON compositions(user_id, create_time);
CREATE INDEX messages_by_user ON messages(user_id, delivered);
CREATE INDEX scores_by_user ON scores(user_id, create_time);
CREATE INDEX ideas_by_user ON ideas(user_id, create_time);
COMMIT;
