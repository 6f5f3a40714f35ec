create or replace function getMdbCreateSql(tableName in varchar2) return long
is
  -- CREATE TABLE text for an Oracle table of the current schema, written for SQL Server.
  -- Working sizes: a text that outgrows its variable raises an error, and the handler
  -- at the end turns every error into the result '错误'.
  createText    varchar2(32767);
  columnName    varchar2(32767);
  -- The table as the dictionary holds it: as passed when a table of that exact spelling
  -- exists (a name created in quotes), else folded to upper case.
  storedName    varchar2(128);
  defaultText   varchar2(32767);
  typeText      varchar2(1024);
  keyClause     varchar2(1024);

  dataType      varchar2(128);
  columnLength  number;
  columnScale   number;

  lineBreak     constant varchar2(2) := chr(13) || chr(10);
  -- Precision written for a NUMBER that has none, and the largest one written (SQL
  -- Server's decimal takes 38 digits).
  defaultDigits constant integer := 20;
  maxDigits     constant integer := 38;
  whiteSpace    constant varchar2(3) := chr(32) || chr(9) || chr(13);
  -- Words that must be bracketed wherever they stand as names (the program's own list).
  reservedWords constant varchar2(1000) :=
    ',ACCESS,ADD,ALL,ALTER,AND,ANY,AS,ASC,BETWEEN,BY,CASE,CAST,CHAR,CHECK,COLUMN'
    || ',COMMENT,CONSTRAINT,CREATE,CROSS,CURRENT,DATABASE,DATE,DECIMAL,DEFAULT'
    || ',DELETE,DESC,DISTINCT,DROP,ELSE,END,EXCEPT,EXISTS,FILE,FLOAT,FOR,FOREIGN'
    || ',FROM,FULL,GRANT,GROUP,HAVING,IN,INDEX,INNER,INSERT,INTEGER,INTERSECT,INTO'
    || ',IS,JOIN,KEY,LEFT,LEVEL,LIKE,LIMIT,LONG,MINUS,MODE,NOT,NULL,NUMBER,OF,OFFSET'
    || ',ON,OPTION,OR,ORDER,OUTER,PERCENT,PRIMARY,RAW,REFERENCES,RIGHT,ROW,ROWID'
    || ',ROWNUM,ROWS,SELECT,SESSION,SET,SIZE,SYSDATE,TABLE,THEN,TO,TOP,TRIGGER,UID'
    || ',UNION,UNIQUE,UPDATE,USER,VALUES,VIEW,WHEN,WHERE,WITH,';

  -- The text without blanks, tabs and carriage returns around it, so that a default
  -- typed as "sysdate " (followed by NOT NULL) is still recognised.
  function strippedText(inputText in varchar2) return varchar2 is
  begin
    return rtrim(ltrim(inputText, whiteSpace), whiteSpace);
  end;

  -- A key column as the key clause names it: a plain name that is no reserved word as it
  -- is, any other in brackets, as its column line has it.
  function keyName(keyColumnName in varchar2) return varchar2 is
  begin
    if regexp_like(keyColumnName, '^[A-Za-z][A-Za-z0-9_]*$', 'c')
       and instr(reservedWords, ',' || upper(keyColumnName) || ',') = 0 then
      return keyColumnName;
    end if;
    return '[' || replace(keyColumnName, ']', ']]') || ']';
  end;
begin
  select nvl(max(TABLE_NAME), upper(tableName)) into storedName
    from user_tables where TABLE_NAME = tableName;

  -- Primary key: the columns of the table's constraint of type 'P', in key order.
  for keyColumn in (select cc.COLUMN_NAME
                      from user_constraints c, user_cons_columns cc
                     where c.CONSTRAINT_NAME = cc.CONSTRAINT_NAME
                       and c.CONSTRAINT_TYPE = 'P'
                       and c.TABLE_NAME = storedName
                     order by cc.POSITION) loop
    if keyClause is null then
      keyClause := 'primary key (' || keyName(keyColumn.COLUMN_NAME);
    else
      keyClause := keyClause || ',' || keyName(keyColumn.COLUMN_NAME);
    end if;
  end loop;
  if keyClause is not null then
    keyClause := keyClause || ')';
  end if;

  -- The name as passed, not upper-cased.
  createText := 'create Table [' || replace(tableName, ']', ']]') || '] (';

  -- One line per column, in column order. L is the precision of a NUMBER and the
  -- length of anything else; DATA_DEFAULT is a LONG, read into a varchar2 here.
  for tableColumn in (select COLUMN_NAME,
                             DATA_TYPE,
                             case when DATA_TYPE = 'NUMBER' then DATA_PRECISION
                                  else DATA_LENGTH end as COLUMN_LENGTH,
                             DATA_DEFAULT,
                             DATA_SCALE,
                             NULLABLE
                        from user_tab_columns
                       where TABLE_NAME = storedName
                       order by COLUMN_ID) loop
    columnName   := tableColumn.COLUMN_NAME;
    dataType     := tableColumn.DATA_TYPE;
    columnLength := tableColumn.COLUMN_LENGTH;
    columnScale  := tableColumn.DATA_SCALE;
    defaultText  := tableColumn.DATA_DEFAULT;

    -- Type: substring tests on DATA_TYPE, the first that matches decides.
    -- A NUMBER or INTEGER without precision has no L; comparisons with it are false.
    if instr(dataType, 'CHAR') > 0 and columnLength < 255 then
      typeText := 'varchar(' || to_char(columnLength) || ')';
    elsif instr(dataType, 'CHAR') > 0 then
      -- L 255 or more
      typeText := 'varchar(' || to_char(columnLength) || ')';
    elsif instr(dataType, 'DATE') > 0 then
      typeText := 'datetime';
    elsif dataType = 'LONG RAW' then
      typeText := 'image';
    elsif instr(dataType, 'RAW') > 0 then
      typeText := 'VARBINARY(' || to_char(columnLength) || ')';
    elsif instr(dataType, 'NUMBER') > 0 and columnScale = 0 and columnLength < 6 then
      typeText := 'integer';
    elsif instr(dataType, 'NUMBER') > 0 and columnScale = 0 and columnLength between 6 and 9 then
      typeText := 'integer';
    elsif instr(dataType, 'NUMBER') > 0 and columnScale = 0 and columnLength between 10 and 12 then
      -- Ten to twelve digits overflow SQL Server's 32-bit integer.
      typeText := 'bigint';
    elsif instr(dataType, 'NUMBER') > 0 and columnScale = 0 then
      -- L 13 or more, or absent
      typeText := 'DECIMAL(' || to_char(least(nvl(columnLength, defaultDigits), maxDigits)) || ',0)';
    elsif instr(dataType, 'NUMBER') > 0 and columnLength <= maxDigits then
      -- scale not 0 or absent: every digit kept, where a Float keeps 15
      typeText := 'DECIMAL(' || to_char(columnLength) || ',' || to_char(columnScale) || ')';
    elsif instr(dataType, 'NUMBER') > 0 then
      -- scale not 0 or absent, L above 38 or absent
      typeText := 'Float';
    elsif instr(dataType, 'BLOB') > 0 then
      typeText := 'image';
    elsif instr(dataType, 'CLOB') > 0 then
      typeText := 'Text';
    -- Types whose values the last rule would lose.
    elsif instr(dataType, 'TIMESTAMP') > 0 then
      -- datetime keeps 1/300 s; datetime2 keeps 100 ns
      typeText := 'datetime2';
    elsif instr(dataType, 'FLOAT') > 0 or instr(dataType, 'DOUBLE') > 0 then
      typeText := 'Float';
    elsif dataType = 'LONG' then
      typeText := 'Text';
    else
      typeText := 'integer';
    end if;

    -- Default clean-up, in this order.
    -- 1. Line feeds go.
    defaultText := replace(defaultText, chr(10));
    -- 2. A trailing comment is cut off.
    if instr(defaultText, '--') > 0 then
      defaultText := substr(defaultText, 1, instr(defaultText, '--') - 1);
    end if;
    -- 3. null means no default.
    if lower(strippedText(defaultText)) = 'null' then
      defaultText := null;
    end if;
    -- 4. sysdate is getdate() on SQL Server and is taken as it is.
    if lower(strippedText(defaultText)) = 'sysdate' then
      defaultText := 'getdate()';
    else
      -- 5. Numbers lose their quotes.
      if instr(dataType, 'NUMBER') > 0 then
        defaultText := replace(defaultText, '''');
      end if;
      -- 6. Defaults that call functions are not carried.
      if instr(defaultText, ')') > 0 then
        defaultText := null;
      end if;
    end if;

    -- Column line: bracketed name, type, NOT NULL, then the default.
    createText := createText || lineBreak || '[' || replace(columnName, ']', ']]') || ']' || ' ' || typeText || ' ';
    if tableColumn.NULLABLE <> 'Y' then
      createText := createText || ' not null ';
    end if;
    if strippedText(defaultText) is not null then
      createText := createText || ' default ' || defaultText;
    end if;
    createText := createText || ',';
  end loop;

  -- The final comma goes, unless the key clause follows it.
  if keyClause is null then
    createText := substr(createText, 1, length(createText) - 1);
  else
    createText := createText || keyClause;
  end if;

  createText := replace(createText, ' ,', ',') || ')';
  return createText;
exception
  when others then
    return '错误';
end;
