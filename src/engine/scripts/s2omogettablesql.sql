create function gettablesql (@tablename varchar(128))
returns varchar(8000)
as
begin
  -- CREATE TABLE text for a user table of this database, written for Oracle.
  -- Working sizes: a table name is taken whole (128 characters), and text that
  -- outgrows its variable is cut off.
  declare @createText varchar(8000)
  declare @columnName varchar(128)
  declare @typeName varchar(100)
  declare @columnLength int
  declare @columnScale int
  declare @defaultText varchar(1024)
  declare @isNullable int
  declare @keyColumn varchar(128)
  declare @keyColumns varchar(800)
  declare @asPosition int
  declare @defaultLength int
  declare @hasBinaryKey int
  declare @quotedName varchar(260)
  declare @reservedWords varchar(1000)
  declare @lineBreak char(2)
  set @lineBreak = char(13) + char(10)
  -- Words that must be quoted wherever they stand as names (the program's own list).
  set @reservedWords = ',ACCESS,ADD,ALL,ALTER,AND,ANY,AS,ASC,BETWEEN,BY,CASE,CAST,CHAR,CHECK,COLUMN'
    + ',COMMENT,CONSTRAINT,CREATE,CROSS,CURRENT,DATABASE,DATE,DECIMAL,DEFAULT'
    + ',DELETE,DESC,DISTINCT,DROP,ELSE,END,EXCEPT,EXISTS,FILE,FLOAT,FOR,FOREIGN'
    + ',FROM,FULL,GRANT,GROUP,HAVING,IN,INDEX,INNER,INSERT,INTEGER,INTERSECT,INTO'
    + ',IS,JOIN,KEY,LEFT,LEVEL,LIKE,LIMIT,LONG,MINUS,MODE,NOT,NULL,NUMBER,OF,OFFSET'
    + ',ON,OPTION,OR,ORDER,OUTER,PERCENT,PRIMARY,RAW,REFERENCES,RIGHT,ROW,ROWID'
    + ',ROWNUM,ROWS,SELECT,SESSION,SET,SIZE,SYSDATE,TABLE,THEN,TO,TOP,TRIGGER,UID'
    + ',UNION,UNIQUE,UPDATE,USER,VALUES,VIEW,WHEN,WHERE,WITH,'

  -- The table's name and its columns' names as the text writes them. Oracle folds a
  -- plain name to upper case: a name that is not plain, is a reserved word or mixes
  -- case is quoted, so that the table keeps the source's spelling.
  declare @quotedNames table (name varchar(128) collate Latin1_General_BIN primary key,
                              quoted varchar(260))
  insert into @quotedNames (name, quoted)
    select n.name,
           case when n.name like '%[^A-Za-z0-9_]%' or n.name like '[^A-Za-z]%'
                  or charindex(',' + upper(n.name) + ',', @reservedWords) > 0
                  or (upper(n.name) <> n.name and lower(n.name) <> n.name)
                then '"' + n.name + '"' else n.name end
      from (select @tablename collate Latin1_General_BIN as name
            union
            select c.name collate Latin1_General_BIN
              from sysobjects o
              join syscolumns c on c.id = o.id
             where o.name = @tablename and o.xtype = 'U') n

  select @quotedName = quoted from @quotedNames where name = @tablename collate Latin1_General_BIN
  set @createText = 'create Table ' + @quotedName + ' ('

  -- Columns in column order: name, type, L, scale (0 when absent), default text and
  -- nullability.
  declare columnList cursor local fast_forward for
    select c.name, t.name, c.prec, isnull(c.scale, 0), d.text, c.isnullable
      from sysobjects o
      join syscolumns c on c.id = o.id
      join systypes t on t.xusertype = c.xusertype
      left join syscomments d on d.id = c.cdefault and d.colid = 1
     where o.name = @tablename and o.xtype = 'U'
     order by c.colid

  open columnList
  fetch next from columnList
    into @columnName, @typeName, @columnLength, @columnScale, @defaultText, @isNullable
  while @@fetch_status = 0
  begin
    -- Default clean-up, in this order.
    -- 1. A default bound as a separate object reads "create default <name> as <value>".
    set @asPosition = charindex(' as ', lower(@defaultText))
    if @asPosition > 0
      set @defaultText = substring(@defaultText, @asPosition + 4, 1024)
    -- 2. A default constraint comes in parentheses. The appended character keeps
    --    trailing blanks in the length.
    if left(@defaultText, 1) = '('
    begin
      set @defaultLength = len(@defaultText + '.') - 1
      if @defaultLength >= 2
        set @defaultText = substring(@defaultText, 2, @defaultLength - 2)
      else
        set @defaultText = ''
    end
    -- 3. Function calls are not carried, except getdate(), which is sysdate in Oracle.
    if charindex('(', @defaultText) > 0
    begin
      if charindex('getdate()', @defaultText) > 0
        set @defaultText = replace(@defaultText, 'getdate()', 'sysdate')
      else
        set @defaultText = ''
    end
    -- 4. Unquoted text with a blank, then unquoted text with a comma, goes in single
    --    quotes.
    if charindex(' ', @defaultText) > 0 and left(@defaultText, 1) <> ''''
      set @defaultText = '''' + @defaultText + ''''
    if charindex(',', @defaultText) > 0 and left(@defaultText, 1) <> ''''
      set @defaultText = '''' + @defaultText + ''''

    -- synonym is a keyword of Oracle; such a column is written as fzsynonym.
    select @quotedName = quoted from @quotedNames where name = @columnName collate Latin1_General_BIN
    if lower(@columnName) = 'synonym'
      set @quotedName = 'fzsynonym'

    -- Column line: the name, quoted as the table's is, type, the default, then NOT NULL.
    set @createText = @createText + @lineBreak + @quotedName + ' '
      + dbo.getAccesstype(@typeName, @columnLength, @columnScale) + ' '
    -- 5. Only a default that kept some text is written.
    if @defaultText <> ''
      set @createText = @createText + ' default ' + @defaultText
    if @isNullable = 0
      set @createText = @createText + ' not null '
    set @createText = @createText + ','

    fetch next from columnList
      into @columnName, @typeName, @columnLength, @columnScale, @defaultText, @isNullable
  end
  close columnList
  deallocate columnList

  -- Key columns: the table's constraint of xtype 'PK', its index of the same name and
  -- that index's key columns, in key order, with their type names.
  set @keyColumns = ''
  set @hasBinaryKey = 0
  declare keyList cursor local fast_forward for
    select col_name(k.id, k.colid), t.name
      from sysobjects o
      join sysobjects pk on pk.parent_obj = o.id and pk.xtype = 'PK'
      join sysindexes i on i.id = o.id and i.name = pk.name
      join sysindexkeys k on k.id = o.id and k.indid = i.indid
      join syscolumns c on c.id = k.id and c.colid = k.colid
      join systypes t on t.xusertype = c.xusertype
     where o.name = @tablename and o.xtype = 'U'
     order by k.keyno

  open keyList
  fetch next from keyList into @keyColumn, @typeName
  while @@fetch_status = 0
  begin
    -- The key names each column as its line does, a renamed one by its new name.
    select @quotedName = quoted from @quotedNames where name = @keyColumn collate Latin1_General_BIN
    if lower(@keyColumn) = 'synonym'
      set @quotedName = 'fzsynonym'
    set @keyColumns = @keyColumns + @quotedName + ','
    if @typeName = 'binary'
      set @hasBinaryKey = 1
    fetch next from keyList into @keyColumn, @typeName
  end
  close keyList
  deallocate keyList

  -- A binary column cannot be part of an Oracle primary key: no key clause at all.
  if @hasBinaryKey = 1
    set @keyColumns = ''

  -- The final comma goes when there is no key; otherwise the key clause follows it.
  if @keyColumns = ''
    set @createText = left(@createText, len(@createText) - 1)
  else
    set @createText = @createText + ' primary key ('
      + left(@keyColumns, len(@keyColumns) - 1) + ')'

  set @createText = replace(@createText, ' ,', ',') + ')'
  return @createText
end
