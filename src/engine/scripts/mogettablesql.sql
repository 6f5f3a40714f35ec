create function gettablesql (@tablename varchar(128))
returns varchar(8000)
as
begin
  -- CREATE TABLE text for a user table of this database, written for Access.
  -- Working sizes: a table name is taken whole (128 characters), and text that
  -- outgrows its variable is cut off.
  declare @createText varchar(8000)
  declare @columnName varchar(128)
  declare @typeName varchar(100)
  declare @columnLength int
  declare @columnScale int
  declare @defaultText varchar(1024)
  declare @isNullable int
  declare @keyColumn varchar(260)
  declare @keyColumns varchar(800)
  declare @asPosition int
  declare @defaultLength int
  declare @reservedWords varchar(1000)
  declare @lineBreak char(2)
  set @lineBreak = char(13) + char(10)
  -- Words that must be bracketed wherever they stand as names (the program's own list).
  set @reservedWords = ',ACCESS,ADD,ALL,ALTER,AND,ANY,AS,ASC,BETWEEN,BY,CASE,CAST,CHAR,CHECK,COLUMN'
    + ',COMMENT,CONSTRAINT,CREATE,CROSS,CURRENT,DATABASE,DATE,DECIMAL,DEFAULT'
    + ',DELETE,DESC,DISTINCT,DROP,ELSE,END,EXCEPT,EXISTS,FILE,FLOAT,FOR,FOREIGN'
    + ',FROM,FULL,GRANT,GROUP,HAVING,IN,INDEX,INNER,INSERT,INTEGER,INTERSECT,INTO'
    + ',IS,JOIN,KEY,LEFT,LEVEL,LIKE,LIMIT,LONG,MINUS,MODE,NOT,NULL,NUMBER,OF,OFFSET'
    + ',ON,OPTION,OR,ORDER,OUTER,PERCENT,PRIMARY,RAW,REFERENCES,RIGHT,ROW,ROWID'
    + ',ROWNUM,ROWS,SELECT,SESSION,SET,SIZE,SYSDATE,TABLE,THEN,TO,TOP,TRIGGER,UID'
    + ',UNION,UNIQUE,UPDATE,USER,VALUES,VIEW,WHEN,WHERE,WITH,'

  set @createText = 'create Table [' + replace(@tablename, ']', ']]') + '] ('

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
    -- 3. Function calls are not carried, except getdate(), which is Now() in Access.
    if charindex('(', @defaultText) > 0
    begin
      if charindex('getdate()', @defaultText) > 0
        set @defaultText = replace(@defaultText, 'getdate()', 'Now()')
      else
        set @defaultText = ''
    end
    -- 4. Unquoted text with a blank, then unquoted text with a comma, goes in double
    --    quotes; a text quoted by the first test that holds a comma is quoted again.
    if left(@defaultText, 1) <> '''' and charindex(' ', @defaultText) > 0
      set @defaultText = '"' + @defaultText + '"'
    if left(@defaultText, 1) <> '''' and charindex(',', @defaultText) > 0
      set @defaultText = '"' + @defaultText + '"'
    set @defaultText = ltrim(rtrim(@defaultText))

    -- Column line: bracketed name, type, the default, then NOT NULL.
    set @createText = @createText + @lineBreak + '[' + replace(@columnName, ']', ']]') + ']' + ' '
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
  -- that index's key columns, in key order.
  set @keyColumns = ''
  declare keyList cursor local fast_forward for
    select col_name(k.id, k.colid)
      from sysobjects o
      join sysobjects pk on pk.parent_obj = o.id and pk.xtype = 'PK'
      join sysindexes i on i.id = o.id and i.name = pk.name
      join sysindexkeys k on k.id = o.id and k.indid = i.indid
     where o.name = @tablename and o.xtype = 'U'
     order by k.keyno

  open keyList
  fetch next from keyList into @keyColumn
  while @@fetch_status = 0
  begin
    -- A plain name that is no reserved word stays as it is; any other is bracketed.
    if @keyColumn collate Latin1_General_BIN like '%[^A-Za-z0-9_]%'
        or @keyColumn collate Latin1_General_BIN like '[^A-Za-z]%'
        or charindex(',' + upper(@keyColumn) + ',', @reservedWords) > 0
      set @keyColumn = '[' + replace(@keyColumn, ']', ']]') + ']'
    set @keyColumns = @keyColumns + @keyColumn + ','
    fetch next from keyList into @keyColumn
  end
  close keyList
  deallocate keyList

  -- The final comma goes when there is no key; otherwise the key clause follows it.
  if @keyColumns = ''
    set @createText = left(@createText, len(@createText) - 1)
  else
    set @createText = @createText + ' primary key ('
      + left(@keyColumns, len(@keyColumns) - 1) + ')'

  set @createText = replace(@createText, ' ,', ',') + ')'
  return @createText
end
